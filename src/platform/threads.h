// The few threading primitives the units need, behind the platform boundary: a lock, a wake-up
// signal and a thread. FLASH.EXE must start on systems older than the POSIX threads library that
// the standard ones would pull in, so the program gets them from critical sections, events and
// _beginthreadex; natively they sit on the standard library (so the sanitizers see them).
// The build picks one implementation file; both keep the standard names and meanings where they
// have them, so std::lock_guard and std::unique_lock work on a Lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Identifies a running thread; never 0.
using ThreadId = uint32_t;
ThreadId CurrentThreadId();

// A non-recursive mutual exclusion lock (BasicLockable and try_lock).
class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void lock();
  bool try_lock();
  void unlock();

  struct State;

 private:
  friend class WakeSignal;
  std::unique_ptr<State> state_;
};

// Wakes threads that wait, under a Lock, for a condition that another thread makes true under the
// same Lock. As with a condition variable, a waiter rechecks its condition after every wake-up.
class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  // Wakes every thread waiting now.
  void notify_all();

  template <class Condition>
  void wait(std::unique_lock<Lock>& lock, Condition condition) {
    while (!condition()) WaitOnce(lock, kForever);
  }

  // False when the time ran out with the condition still false.
  template <class Rep, class Period, class Condition>
  bool wait_for(std::unique_lock<Lock>& lock, std::chrono::duration<Rep, Period> timeout,
                Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return condition();
      WaitOnce(lock, left.count() >= kForever ? kForever - 1 : static_cast<uint32_t>(left.count()));
    }
    return true;
  }

  struct State;

 private:
  static constexpr uint32_t kForever = 0xFFFFFFFFu;
  // Releases the lock, sleeps until notify_all or the time (ms; kForever: none), takes it again.
  void WaitOnce(std::unique_lock<Lock>& lock, uint32_t milliseconds);

  std::unique_ptr<State> state_;
};

// A thread that runs body from construction on. Join waits for it to end; a thread not joined
// by its owner is joined by the destructor. An exception that leaves body ends the process.
class Thread {
 public:
  Thread();
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;

  bool Joinable() const { return state_ != nullptr; }
  void Join();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
