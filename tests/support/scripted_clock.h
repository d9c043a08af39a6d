// Test equipment: the machine's clock with a script. Every wait is recorded, a wait of one length
// can be held until the test lets it go, and the next wait of one length can throw.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "platform/platform.h"
#include "platform/threads.h"

namespace test_support {

// Passes every wait on to the inner clock (the waiting thread's virtual time moves). The record is
// per clock, so each worker's waits can be checked even when several run at once; a held wait is
// a worker that is still busy in real time; a throwing wait is an allocation failure in a job.
class ScriptedClock : public platform::Clock {
 public:
  explicit ScriptedClock(platform::Clock& inner) : inner_(inner) {}

  void Sleep(uint32_t milliseconds) override {
    uint32_t expected = milliseconds;
    if (milliseconds != 0 && throwOnMs_.compare_exchange_strong(expected, 0)) throw std::bad_alloc();
    {
      std::unique_lock<platform::Lock> lock(mutex_);
      sleeps_.push_back(milliseconds);
      if (holding_ && milliseconds == holdMs_) {
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
      }
    }
    inner_.Sleep(milliseconds);
  }
  void GetLocalTime(platform::SystemTime* time) override { inner_.GetLocalTime(time); }

  std::vector<uint32_t> Sleeps() const {
    std::lock_guard<platform::Lock> lock(mutex_);
    return sleeps_;
  }

  // Waits of this length, from now on, wait until Release.
  void Hold(uint32_t milliseconds) {
    std::lock_guard<platform::Lock> lock(mutex_);
    holdMs_ = milliseconds;
    holding_ = true;
  }
  // Returns once a wait has been held.
  void WaitUntilHeld() {
    std::unique_lock<platform::Lock> lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void Release() {
    {
      std::lock_guard<platform::Lock> lock(mutex_);
      holding_ = false;
    }
    changed_.notify_all();
  }

  // The next wait of this length throws, as an allocation failure in a worker's job would.
  void ThrowOnce(uint32_t milliseconds) { throwOnMs_.store(milliseconds); }

 private:
  platform::Clock& inner_;
  std::atomic<uint32_t> throwOnMs_{0};
  mutable platform::Lock mutex_;
  platform::WakeSignal changed_;
  std::vector<uint32_t> sleeps_;
  uint32_t holdMs_ = 0;
  bool holding_ = false;
  bool held_ = false;
};

}  // namespace test_support
