// The class library's thread: a body (Execute) that runs on a thread of its own, which can be
// created suspended, resumed by its owner and suspend itself. Portable (the platform's threads).
#pragma once

#include <atomic>
#include <exception>

#include "platform/threads.h"

namespace platform {

// Seven steps, idle to time-critical; a thread starts at tpNormal. Stored for the owner to read:
// the body's scheduling is left to the system.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
 public:
  // The thread exists from here on but runs Execute only once its suspend count reaches 0, so the
  // derived object is complete before its body starts. A thread not created suspended starts at
  // AfterConstruction(), which its creator calls once the object is built.
  explicit TThread(bool createSuspended);
  // Terminates, wakes and joins. A derived class whose body uses its own members must end the
  // thread in its own destructor first (Terminate, wake its waits, WaitFor).
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void AfterConstruction();

  // One step down the suspend count; the body runs (again) when the count reaches 0. A resume of
  // a thread that is not suspended does nothing.
  void Resume();
  // From the thread's own body: suspends it until Resume (or Terminate). Another thread cannot stop
  // this one at an arbitrary point, so from any other thread this does nothing.
  void Suspend();
  bool Suspended() const;
  // Blocks the caller until the thread is suspended or its body has ended.
  void WaitUntilSuspended() const;

  // Asks the body to end (it checks Terminated()), and wakes it if it is suspended.
  void Terminate();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // Joins the thread; for its owner, after Terminate or when the body ends by itself.
  void WaitFor();
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // An exception that escaped Execute, kept for the owner.
  std::exception_ptr FatalException() const;

  TThreadPriority Priority() const { return priority_.load(std::memory_order_relaxed); }
  void SetPriority(TThreadPriority priority) { priority_.store(priority, std::memory_order_relaxed); }

 protected:
  virtual void Execute() = 0;

 private:
  void Run();

  mutable platform::Lock mutex_;
  mutable platform::WakeSignal changed_;
  int suspendCount_ = 1;
  bool started_ = false;
  bool createSuspended_;
  platform::ThreadId ownId_ = 0;  // set by the thread itself before anything else
  std::exception_ptr fatal_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<TThreadPriority> priority_{tpNormal};
  platform::Thread thread_;  // last: everything Run touches exists before it starts
};

}  // namespace platform
