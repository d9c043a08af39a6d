// GoogleTest's customisation header for the 32-bit build. The win32 thread model has no std::mutex
// or std::condition_variable, which GoogleTest uses for one class only, Notification (a start
// signal for its own helper threads, which the suites never use); this stands in for it. The rest
// of GoogleTest's locking is its own, over critical sections.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
