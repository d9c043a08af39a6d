// The threading primitives for FLASH.EXE: critical sections, events and _beginthreadex, all of
// which Windows 98 SE and Windows 2000 have (no condition variables, which arrived with Vista).
// platform::Thread itself is portable (thread.cpp); this file gives it the two calls it makes.
#include <windows.h>

#include <process.h>

#include <algorithm>
#include <vector>

#include "platform/thread_start.h"
#include "platform/threads.h"
#include "platform/win32/win32_lock_state.h"

namespace platform {

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }

Lock::Lock() : state_(std::make_unique<State>()) { ::InitializeCriticalSection(&state_->section); }
Lock::~Lock() { ::DeleteCriticalSection(&state_->section); }
void Lock::lock() { ::EnterCriticalSection(&state_->section); }
void Lock::unlock() { ::LeaveCriticalSection(&state_->section); }

// Each waiter sleeps on an event of its own, listed under guard; notify_all sets every listed event
// and empties the list. A waiter lists itself before it releases the caller's lock, so a change made
// under that lock after the waiter's check always finds it listed: no wake-up is lost.
struct WakeSignal::State {
  CRITICAL_SECTION guard;
  std::vector<HANDLE> waiters;
};

WakeSignal::WakeSignal() : state_(std::make_unique<State>()) {
  ::InitializeCriticalSection(&state_->guard);
}

WakeSignal::~WakeSignal() { ::DeleteCriticalSection(&state_->guard); }

void WakeSignal::notify_all() {
  ::EnterCriticalSection(&state_->guard);
  for (HANDLE event : state_->waiters) ::SetEvent(event);
  state_->waiters.clear();
  ::LeaveCriticalSection(&state_->guard);
}

void WakeSignal::WaitOnce(std::unique_lock<Lock>& lock, uint32_t milliseconds) {
  HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) {
    // Out of handles: give the other threads a moment and let the caller check again.
    lock.unlock();
    ::Sleep(1);
    lock.lock();
    return;
  }
  ::EnterCriticalSection(&state_->guard);
  state_->waiters.push_back(event);
  ::LeaveCriticalSection(&state_->guard);

  lock.unlock();
  ::WaitForSingleObject(event, milliseconds);

  // Woken or timed out: a notify_all may no longer set this event, so it can be closed.
  ::EnterCriticalSection(&state_->guard);
  auto& waiters = state_->waiters;
  waiters.erase(std::remove(waiters.begin(), waiters.end(), event), waiters.end());
  ::LeaveCriticalSection(&state_->guard);
  ::CloseHandle(event);
  lock.lock();
}

namespace {

unsigned __stdcall ThreadEntry(void* argument) {
  RunThreadBody(argument);
  return 0;
}

}  // namespace

// _beginthreadex rather than CreateThread: the body uses the C runtime.
ThreadHandle BeginThreadEx(void* argument, uint32_t* threadId) {
  static_assert(sizeof(uint32_t) == sizeof(unsigned), "_beginthreadex writes an unsigned id");
  return ::_beginthreadex(nullptr, 0, &ThreadEntry, argument, 0, reinterpret_cast<unsigned*>(threadId));
}

void WaitAndCloseThread(ThreadHandle handle) {
  ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), INFINITE);
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform
