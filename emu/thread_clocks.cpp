// Virtual clocks kept per thread serial number. A thread's serial is a plain thread-local
// integer handed out once and never reused, so a new thread cannot inherit the clock of one that
// ended (thread ids can be reused); and thread-local storage holds nothing with a destructor,
// which the 32-bit Windows runtime does not tear down reliably.
#include "emu/thread_clocks.h"

#include <algorithm>

namespace emu {
namespace {

std::atomic<uint64_t> g_nextSerial{1};

uint64_t ThisThreadSerial() {
  thread_local uint64_t serial = 0;
  if (serial == 0) serial = g_nextSerial.fetch_add(1);
  return serial;
}

}  // namespace

ThreadClocks::Entry& ThreadClocks::Mine() const {
  const uint64_t serial = ThisThreadSerial();
  auto found = entries_.find(serial);
  if (found == entries_.end()) found = entries_.emplace(serial, Entry{base_, serial, nextIndex_++, {}}).first;
  return found->second;
}

uint64_t ThreadClocks::Now() const {
  std::lock_guard lock(mutex_);
  return Mine().nowMs;
}

uint64_t ThreadClocks::Advance(uint64_t ms) {
  std::lock_guard lock(mutex_);
  return Mine().nowMs += ms;
}

uint64_t ThreadClocks::RaiseTo(uint64_t ms) {
  std::lock_guard lock(mutex_);
  Entry& e = Mine();
  e.nowMs = std::max(e.nowMs, ms);
  return e.nowMs;
}

uint64_t ThreadClocks::Key() const {
  std::lock_guard lock(mutex_);
  return Mine().key;
}

uint32_t ThreadClocks::ThreadIndex() const {
  std::lock_guard lock(mutex_);
  return Mine().index;
}

void ThreadClocks::RecordSleep(uint32_t ms) {
  std::lock_guard lock(mutex_);
  Mine().sleeps.push_back(ms);
}

std::vector<uint32_t> ThreadClocks::Sleeps() const {
  std::lock_guard lock(mutex_);
  return Mine().sleeps;
}

void ThreadClocks::SetBase(uint64_t ms) {
  std::lock_guard lock(mutex_);
  base_ = ms;
}

}  // namespace emu
