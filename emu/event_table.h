// Events of the emulated machine in virtual time. An event is signalled at a virtual time; a
// pending ASPI request schedules the time its event will be signalled (or marks it "never"), and
// a wait decides from that schedule alone whether it ends signalled or timed out.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>

#include "platform/threads.h"
#include "platform/win_types.h"

namespace emu {

class EventTable {
 public:
  struct WaitResult {
    uint32_t code;   // kWaitObject0, kWaitTimeout or kWaitFailed
    uint64_t nowMs;  // the waiting thread's clock afterwards
  };
  // Asked to bring about a scheduled signal; returns once it has happened, or false when nothing
  // will signal the event.
  using Release = std::function<bool(platform::Handle)>;

  explicit EventTable(std::atomic<platform::Handle>& nextHandle) : nextHandle_(nextHandle) {}

  platform::Handle Create(bool manualReset, bool initialState, uint64_t nowMs);
  bool Set(platform::Handle event, uint64_t atMs);
  bool Reset(platform::Handle event);
  bool Close(platform::Handle event);
  bool Exists(platform::Handle event) const;
  size_t Live() const;

  void Schedule(platform::Handle event, uint64_t atMs);
  void ScheduleNever(platform::Handle event);
  void Unschedule(platform::Handle event);

  // Signalled: ends at once, the clock raised to the signal time. Scheduled within the time-out:
  // release, then ends signalled with the clock raised to the scheduled time. Otherwise (never,
  // unscheduled, or later than the deadline): times out with the clock moved by ms, except that
  // an infinite wait that nothing will end fails instead of hanging the test.
  WaitResult Wait(platform::Handle event, uint64_t nowMs, uint32_t ms, const Release& release);

 private:
  enum class Plan { None, At, Never };
  struct Event {
    bool manualReset;
    bool signalled;
    uint64_t signalMs;
    Plan plan;
    uint64_t scheduledMs;
  };
  std::atomic<platform::Handle>& nextHandle_;
  mutable platform::Lock mutex_;
  std::map<platform::Handle, Event> events_;
};

}  // namespace emu
