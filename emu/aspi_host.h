// What the emulated ASPI manager needs from the process it runs in: the calling thread's time and
// the completion events. The emulated machine provides it over virtual time; a stand-alone
// manager library would provide it over real Windows events.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace emu {

class AspiHost {
 public:
  virtual ~AspiHost() = default;
  virtual uint64_t NowMs() = 0;            // the calling thread's time
  virtual uint64_t ThreadKey() = 0;        // identifies the calling thread's clock
  virtual void AdvanceMs(uint64_t ms) = 0; // the calling thread spent ms in a synchronous answer
  virtual bool IsEvent(platform::Handle event) = 0;
  // The request behind the event will complete at atMs, or never.
  virtual void ScheduleEvent(platform::Handle event, uint64_t atMs) = 0;
  virtual void ScheduleEventNever(platform::Handle event) = 0;
  virtual void UnscheduleEvent(platform::Handle event) = 0;
  virtual void SignalEvent(platform::Handle event, uint64_t atMs) = 0;
  // Spend the drive's latency in real time before completing (benchmarks, real hosts).
  virtual bool RealTimeLatency() = 0;
  // A real-time host has no virtual clock to wait for: requests complete on their own, without
  // a waiter releasing them.
  virtual bool SelfCompleting() { return false; }
};

}  // namespace emu
