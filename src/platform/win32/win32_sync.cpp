// Sync adapter: CreateEventA, SetEvent, ResetEvent, WaitForSingleObject, CloseHandle.
#include "platform/win32/win32_sync.h"

#include <windows.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

// Unnamed and without security attributes: each event belongs to one command of this process.
Handle Win32Sync::CreateEventA(bool manualReset, bool initialState) {
  return FromWin(::CreateEventA(nullptr, manualReset, initialState, nullptr));
}

int Win32Sync::SetEvent(Handle event) { return ::SetEvent(ToWin(event)); }

int Win32Sync::ResetEvent(Handle event) { return ::ResetEvent(ToWin(event)); }

uint32_t Win32Sync::WaitForSingleObject(Handle object, uint32_t milliseconds) {
  return ::WaitForSingleObject(ToWin(object), milliseconds);
}

int Win32Sync::CloseEvent(Handle event) { return ::CloseHandle(ToWin(event)); }

}  // namespace platform::win32
