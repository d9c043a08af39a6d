// Virtual-time events: signal state, completion schedule and the wait rules (event_table.h).
#include "emu/event_table.h"

#include <algorithm>

namespace emu {

platform::Handle EventTable::Create(bool manualReset, bool initialState, uint64_t nowMs) {
  const platform::Handle handle = nextHandle_.fetch_add(4);
  std::lock_guard lock(mutex_);
  events_[handle] = Event{manualReset, initialState, nowMs, Plan::None, 0};
  return handle;
}

bool EventTable::Set(platform::Handle event, uint64_t atMs) {
  std::lock_guard lock(mutex_);
  const auto found = events_.find(event);
  if (found == events_.end()) return false;
  found->second.signalled = true;
  found->second.signalMs = atMs;
  found->second.plan = Plan::None;
  return true;
}

bool EventTable::Reset(platform::Handle event) {
  std::lock_guard lock(mutex_);
  const auto found = events_.find(event);
  if (found == events_.end()) return false;
  found->second.signalled = false;
  return true;
}

bool EventTable::Close(platform::Handle event) {
  std::lock_guard lock(mutex_);
  return events_.erase(event) == 1;
}

bool EventTable::Exists(platform::Handle event) const {
  std::lock_guard lock(mutex_);
  return events_.count(event) == 1;
}

size_t EventTable::Live() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

void EventTable::Schedule(platform::Handle event, uint64_t atMs) {
  std::lock_guard lock(mutex_);
  const auto found = events_.find(event);
  if (found == events_.end()) return;
  found->second.plan = Plan::At;
  found->second.scheduledMs = atMs;
}

void EventTable::ScheduleNever(platform::Handle event) {
  std::lock_guard lock(mutex_);
  const auto found = events_.find(event);
  if (found != events_.end()) found->second.plan = Plan::Never;
}

void EventTable::Unschedule(platform::Handle event) {
  std::lock_guard lock(mutex_);
  const auto found = events_.find(event);
  if (found != events_.end()) found->second.plan = Plan::None;
}

EventTable::WaitResult EventTable::Wait(platform::Handle event, uint64_t nowMs, uint32_t ms,
                                        const Release& release) {
  const bool infinite = ms == platform::kInfinite;
  const uint64_t deadline = nowMs + ms;
  std::unique_lock lock(mutex_);
  auto found = events_.find(event);
  if (found == events_.end()) return {platform::kWaitFailed, nowMs};

  auto takeSignal = [&](Event& e) -> WaitResult {
    if (!e.manualReset) e.signalled = false;
    return {platform::kWaitObject0, std::max(nowMs, e.signalMs)};
  };
  if (found->second.signalled) return takeSignal(found->second);

  if (found->second.plan == Plan::At && (infinite || found->second.scheduledMs <= deadline)) {
    lock.unlock();
    release(event);
    lock.lock();
    found = events_.find(event);
    if (found == events_.end()) return {platform::kWaitFailed, nowMs};
    if (found->second.signalled) return takeSignal(found->second);
  }
  if (infinite) return {platform::kWaitFailed, nowMs};
  return {platform::kWaitTimeout, deadline};
}

}  // namespace emu
