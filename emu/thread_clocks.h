// Per-thread virtual clocks of one emulated machine. Each thread's clock starts at the machine's
// base time on the thread's first use and moves only when that thread sleeps, waits or runs a
// command, so a test's timings are the same on every run and cost no real time.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/threads.h"

namespace emu {

class ThreadClocks {
 public:
  ThreadClocks() = default;
  ThreadClocks(const ThreadClocks&) = delete;
  ThreadClocks& operator=(const ThreadClocks&) = delete;

  // All for the calling thread.
  uint64_t Now() const;
  uint64_t Advance(uint64_t ms);  // returns the new time
  uint64_t RaiseTo(uint64_t ms);  // the clock never goes back; returns the new time
  uint64_t Key() const;           // unique per thread and machine, never reused
  uint32_t ThreadIndex() const;   // 0, 1, ... in the order threads first used this machine's clock
  void RecordSleep(uint32_t ms);
  std::vector<uint32_t> Sleeps() const;

  // The start time of clocks that threads create from now on.
  void SetBase(uint64_t ms);

 private:
  struct Entry {
    uint64_t nowMs;
    uint64_t key;
    uint32_t index;
    std::vector<uint32_t> sleeps;
  };
  // Call with mutex_ held.
  Entry& Mine() const;

  mutable platform::Lock mutex_;
  mutable std::map<uint64_t, Entry> entries_;  // by the thread's serial number
  uint64_t base_ = 0;
  mutable uint32_t nextIndex_ = 0;
};

}  // namespace emu
