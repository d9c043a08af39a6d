// The threading primitives for FLASH.EXE: critical sections, events and _beginthreadex, all of
// which Windows 98 SE and Windows 2000 have (no condition variables, which arrived with Vista).
#include <windows.h>

#include <process.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

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

struct Thread::State {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {

unsigned __stdcall RunThreadBody(void* state) {
  try {
    static_cast<Thread::State*>(state)->body();
  } catch (...) {
    std::terminate();
  }
  return 0;
}

}  // namespace

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->body = std::move(body);
  // _beginthreadex rather than CreateThread: the body uses the C runtime.
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, &RunThreadBody, state_.get(), 0, nullptr);
  if (handle == 0) throw std::runtime_error("cannot start a thread");
  state_->handle = reinterpret_cast<HANDLE>(handle);
}

Thread::Thread() = default;

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    state_ = std::move(other.state_);
  }
  return *this;
}

void Thread::Join() {
  if (!state_) return;
  ::WaitForSingleObject(state_->handle, INFINITE);
  ::CloseHandle(state_->handle);
  state_.reset();
}

}  // namespace platform
