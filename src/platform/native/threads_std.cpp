// The threading primitives over the standard library, for the native build: the suites and the
// thread sanitizer see ordinary mutexes, condition variables and threads.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/threads.h"

namespace platform {

ThreadId CurrentThreadId() {
  // Numbered on first use, so ids stay small and are never reused within a run.
  static std::atomic<ThreadId> next{1};
  thread_local const ThreadId id = next.fetch_add(1, std::memory_order_relaxed);
  return id;
}

struct Lock::State {
  std::mutex mutex;
};

Lock::Lock() : state_(std::make_unique<State>()) {}
Lock::~Lock() = default;
void Lock::lock() { state_->mutex.lock(); }
bool Lock::try_lock() { return state_->mutex.try_lock(); }
void Lock::unlock() { state_->mutex.unlock(); }

struct WakeSignal::State {
  std::condition_variable changed;
};

WakeSignal::WakeSignal() : state_(std::make_unique<State>()) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::notify_all() { state_->changed.notify_all(); }

void WakeSignal::WaitOnce(std::unique_lock<Lock>& lock, uint32_t milliseconds) {
  // The caller holds lock; the condition variable takes over its mutex for the wait and hands it
  // back held.
  std::unique_lock<std::mutex> held(lock.mutex()->state_->mutex, std::adopt_lock);
  if (milliseconds == kForever) {
    state_->changed.wait(held);
  } else {
    state_->changed.wait_for(held, std::chrono::milliseconds(milliseconds));
  }
  held.release();
}

struct Thread::State {
  std::thread thread;
};

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->thread = std::thread([body = std::move(body)] {
    try {
      body();
    } catch (...) {
      std::terminate();
    }
  });
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
  state_->thread.join();
  state_.reset();
}

}  // namespace platform
