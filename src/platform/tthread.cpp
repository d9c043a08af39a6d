// The class library's thread on the platform's threads: a suspend count guarded by a lock, a
// wake-up signal for resumption, and a join at the end.
#include "platform/tthread.h"

namespace platform {

TThread::TThread(bool createSuspended)
    : createSuspended_(createSuspended), thread_([this] { Run(); }) {}

TThread::~TThread() {
  Terminate();
  WaitFor();
}

void TThread::AfterConstruction() {
  if (!createSuspended_) Resume();
}

void TThread::Run() {
  {
    std::unique_lock lock(mutex_);
    ownId_ = platform::CurrentThreadId();
    changed_.wait(lock, [this] { return suspendCount_ == 0 || Terminated(); });
    started_ = suspendCount_ == 0 && !Terminated();
  }
  // A thread terminated before it was ever resumed never runs its body.
  if (started_) {
    try {
      Execute();
    } catch (...) {
      std::lock_guard lock(mutex_);
      fatal_ = std::current_exception();
    }
  }
  {
    std::lock_guard lock(mutex_);
    finished_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

void TThread::Resume() {
  {
    std::lock_guard lock(mutex_);
    if (suspendCount_ == 0) return;
    --suspendCount_;
  }
  changed_.notify_all();
}

void TThread::Suspend() {
  std::unique_lock lock(mutex_);
  if (platform::CurrentThreadId() != ownId_) return;
  ++suspendCount_;
  changed_.notify_all();
  changed_.wait(lock, [this] { return suspendCount_ == 0 || Terminated(); });
  suspendCount_ = 0;
}

bool TThread::Suspended() const {
  std::lock_guard lock(mutex_);
  return suspendCount_ > 0;
}

void TThread::WaitUntilSuspended() const {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return suspendCount_ > 0 || Finished(); });
}

void TThread::Terminate() {
  terminated_.store(true, std::memory_order_release);
  { std::lock_guard lock(mutex_); }  // a waiter between its check and its wait still gets the wake
  changed_.notify_all();
}

void TThread::WaitFor() {
  // The body cannot wait for its own end; before the thread has run at all, ownId_ is 0 and the
  // caller is certainly another thread.
  bool own;
  {
    std::lock_guard lock(mutex_);
    own = ownId_ == platform::CurrentThreadId();
  }
  if (!own) thread_.Join();
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatal_;
}

}  // namespace platform
