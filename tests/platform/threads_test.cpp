// The lock, wake-up signal and thread of the platform boundary: natively over the standard library
// (under the thread sanitizer too), and in the 32-bit build over critical sections, events and
// _beginthreadex, run under Wine. The waits are bounded, so a lost wake-up fails instead of hanging.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "platform/threads.h"

namespace {

using namespace std::chrono_literals;

TEST(Threads, LockKeepsOutEveryOtherThread) {
  platform::Lock lock;
  long counter = 0;  // plain: only the lock keeps the increments apart
  std::vector<platform::Thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        std::lock_guard guard(lock);
        ++counter;
      }
    });
  }
  for (platform::Thread& t : threads) t.Join();
  EXPECT_EQ(counter, 80000);
}

TEST(Threads, TryLockFailsWhileAnotherThreadHoldsTheLock) {
  platform::Lock lock;
  platform::WakeSignal changed;
  bool held = false;
  bool release = false;
  platform::Thread holder([&] {
    std::unique_lock guard(lock);
    held = true;
    changed.notify_all();
    changed.wait(guard, [&] { return release; });
  });
  {
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, 20s, [&] { return held; }));
  }
  // The holder is waiting on the signal, so it has released the lock: take it from here instead.
  ASSERT_TRUE(lock.try_lock());
  std::atomic<bool> otherGotIt{true};
  platform::Thread([&] { otherGotIt = lock.try_lock(); }).Join();
  EXPECT_FALSE(otherGotIt.load());
  release = true;
  lock.unlock();
  changed.notify_all();
  holder.Join();
  ASSERT_TRUE(lock.try_lock());
  lock.unlock();
}

// Two threads hand a turn back and forth: every hand-over needs the other's wake-up, so a wake-up
// lost between a waiter's check and its sleep shows as a timed-out wait.
TEST(Threads, WakeSignalLosesNoWakeUpInAPingPong) {
  platform::Lock lock;
  platform::WakeSignal changed;
  int turn = 0;
  constexpr int kRounds = 2000;
  std::atomic<bool> stuck{false};
  auto player = [&](int me) {
    for (int round = 0; round < kRounds; ++round) {
      std::unique_lock guard(lock);
      if (!changed.wait_for(guard, 20s, [&] { return turn % 2 == me || stuck; })) stuck = true;
      if (stuck) return;
      ++turn;
      guard.unlock();
      changed.notify_all();
    }
  };
  platform::Thread odd([&] { player(1); });
  player(0);
  odd.Join();
  EXPECT_FALSE(stuck.load());
  EXPECT_EQ(turn, 2 * kRounds);
}

TEST(Threads, NotifyAllWakesEveryWaiter) {
  platform::Lock lock;
  platform::WakeSignal changed;
  bool open = false;
  int waiting = 0;
  std::atomic<int> woken{0};
  std::vector<platform::Thread> waiters;
  for (int t = 0; t < 5; ++t) {
    waiters.emplace_back([&] {
      std::unique_lock guard(lock);
      ++waiting;
      changed.notify_all();
      if (changed.wait_for(guard, 20s, [&] { return open; })) ++woken;
    });
  }
  {
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, 20s, [&] { return waiting == 5; }));
    open = true;
  }
  changed.notify_all();
  for (platform::Thread& t : waiters) t.Join();
  EXPECT_EQ(woken.load(), 5);
}

TEST(Threads, WaitForGivesUpWhenTheConditionStaysFalse) {
  platform::Lock lock;
  platform::WakeSignal changed;
  std::unique_lock guard(lock);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(changed.wait_for(guard, 50ms, [] { return false; }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
  EXPECT_TRUE(guard.owns_lock());
  EXPECT_TRUE(changed.wait_for(guard, 0ms, [] { return true; }));
}

TEST(Threads, ThreadIdsAreOwnAndStableAndJoinWaitsForTheBody) {
  const platform::ThreadId mine = platform::CurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(platform::CurrentThreadId(), mine);
  platform::ThreadId other = 0;
  bool ran = false;
  platform::Thread thread([&] {
    other = platform::CurrentThreadId();
    ran = true;
  });
  EXPECT_TRUE(thread.Joinable());
  thread.Join();
  EXPECT_FALSE(thread.Joinable());
  EXPECT_TRUE(ran);  // read after the join: the join hands the body's writes over
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);

  // A thread moved into another variable is still joined once, by its new owner.
  std::atomic<int> runs{0};
  platform::Thread first([&] { ++runs; });
  platform::Thread second = std::move(first);
  EXPECT_FALSE(first.Joinable());
  second = platform::Thread([&] { ++runs; });  // joins the one it held before taking the new one
  second.Join();
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
