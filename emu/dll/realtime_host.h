// The emulated ASPI manager's host in a real process: real time and real events. The manager
// completes each request on its own thread once the drive's latency has passed in real
// milliseconds, and the completion sets the request's event (SRB_PostProc) as a real manager does.
#pragma once

#include <cstdint>
#include <functional>

#include "emu/aspi_host.h"
#include "platform/threads.h"

namespace emu::dll {

// The operating system's side: the tick count and events. The Windows adapter makes one call each.
class RealEvents {
 public:
  virtual ~RealEvents() = default;
  virtual uint64_t TickMs() = 0;                     // milliseconds, never going back
  virtual bool IsEvent(platform::Handle event) = 0;  // a handle the process may set
  virtual void Set(platform::Handle event) = 0;
};

class RealTimeHost final : public AspiHost {
 public:
  explicit RealTimeHost(RealEvents& events) : events_(events) {}

  // Called with each completed request's event just before it is set.
  void OnCompletion(std::function<void(platform::Handle)> observer);

  uint64_t NowMs() override { return events_.TickMs(); }
  uint64_t ThreadKey() override { return 0; }  // one clock, the real one, for every thread
  void AdvanceMs(uint64_t) override {}         // real time has passed already
  bool IsEvent(platform::Handle event) override { return events_.IsEvent(event); }
  void ScheduleEvent(platform::Handle, uint64_t) override {}
  void ScheduleEventNever(platform::Handle) override {}
  void UnscheduleEvent(platform::Handle) override {}
  void SignalEvent(platform::Handle event, uint64_t atMs) override;
  bool RealTimeLatency() override { return true; }
  bool SelfCompleting() override { return true; }

 private:
  RealEvents& events_;
  platform::Lock mutex_;
  std::function<void(platform::Handle)> observer_;
};

}  // namespace emu::dll
