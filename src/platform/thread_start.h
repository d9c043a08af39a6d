// The two system calls under platform::Thread: starting a thread and waiting for its end. The
// Thread class itself (thread.cpp) is portable, so the arguments it passes are the same natively
// and in FLASH.EXE, and the native tests see them.
#pragma once

#include <cstdint>

namespace platform {

// Identifies a started thread to WaitAndCloseThread; 0 means none.
using ThreadHandle = uintptr_t;

// What a started thread runs: the Thread's body, with an escaping exception ending the process.
void RunThreadBody(void* argument);

// _beginthreadex(no security attributes, default stack size, an entry point that calls
// RunThreadBody(argument), argument, running at once, threadId): the new thread's handle, or 0
// when no thread started. The run-time library hands threadId straight to CreateThread, whose
// lpThreadId "may not be NULL" on Windows 95/98/Me: there the call fails without one.
ThreadHandle BeginThreadEx(void* argument, uint32_t* threadId);

// WaitForSingleObject(handle, INFINITE), then CloseHandle(handle).
void WaitAndCloseThread(ThreadHandle handle);

}  // namespace platform
