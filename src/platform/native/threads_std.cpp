// The threading primitives over the standard library, for the native build: the suites and the
// thread sanitizer see ordinary mutexes, condition variables and threads.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/native/thread_start_rules.h"
#include "platform/thread_start.h"
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

namespace {

std::atomic<bool> refuseNullThreadId{false};

}  // namespace

namespace native {

void RefuseNullThreadId(bool refuse) { refuseNullThreadId.store(refuse); }

}  // namespace native

// Natively the handle is the std::thread itself; the id is a number of this process's own.
ThreadHandle BeginThreadEx(void* argument, uint32_t* threadId) {
  if (threadId == nullptr && refuseNullThreadId.load()) return 0;
  static std::atomic<uint32_t> nextId{1};
  std::thread* thread = nullptr;
  try {
    thread = new std::thread(RunThreadBody, argument);
  } catch (const std::system_error&) {
    return 0;
  }
  if (threadId != nullptr) *threadId = nextId.fetch_add(1);
  return reinterpret_cast<ThreadHandle>(thread);
}

void WaitAndCloseThread(ThreadHandle handle) {
  auto* thread = reinterpret_cast<std::thread*>(handle);
  thread->join();
  delete thread;
}

}  // namespace platform
