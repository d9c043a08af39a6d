// The emulated machine's events, Sleep and time of day in per-thread virtual time, and the
// view of the machine that its ASPI manager gets.
#include "emu/machine.h"

namespace emu {

void Machine::AdvanceThisThread(uint64_t ms) {
  const uint64_t now = clocks_.Advance(ms);
  aspi_.CompleteDue(clocks_.Key(), now);
}

uint64_t Machine::NowMs() const { return clocks_.Now(); }

std::vector<uint32_t> Machine::SleepsOfThisThread() const { return clocks_.Sleeps(); }

std::vector<Machine::SleepRecord> Machine::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

uint32_t Machine::ThisThreadIndex() const { return clocks_.ThreadIndex(); }

void Machine::SetClockBase(uint64_t ms) { clocks_.SetBase(ms); }

void Machine::SetTimeOfDayBase(uint32_t seconds) { timeOfDayBase_.store(seconds % 86400); }

void Machine::SetRealTimeLatency(bool on) { realTimeLatency_.store(on); }

size_t Machine::LiveEvents() const { return events_.Live(); }

void Machine::Sleep(uint32_t milliseconds) {
  const SleepRecord record{clocks_.ThreadIndex(), milliseconds, clocks_.Now()};
  clocks_.RecordSleep(milliseconds);
  {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(record);
  }
  AdvanceThisThread(milliseconds);
}

void Machine::GetLocalTime(platform::SystemTime* time) {
  const auto seconds = static_cast<uint32_t>((timeOfDayBase_.load() + clocks_.Now() / 1000) % 86400);
  *time = platform::SystemTime{2026, 12, 4, 10, static_cast<uint16_t>(seconds / 3600),
                               static_cast<uint16_t>(seconds / 60 % 60), static_cast<uint16_t>(seconds % 60), 0};
}

platform::Handle Machine::CreateEventA(bool manualReset, bool initialState) {
  return events_.Create(manualReset, initialState, clocks_.Now());
}

// From a test or another thread: signalled at once, at the caller's time.
int Machine::SetEvent(platform::Handle event) { return events_.Set(event, clocks_.Now()) ? 1 : 0; }

int Machine::ResetEvent(platform::Handle event) { return events_.Reset(event) ? 1 : 0; }

int Machine::CloseEvent(platform::Handle event) { return events_.Close(event) ? 1 : 0; }

uint32_t Machine::WaitForSingleObject(platform::Handle object, uint32_t milliseconds) {
  const uint64_t now = clocks_.Now();
  const EventTable::WaitResult result = events_.Wait(
      object, now, milliseconds, [this](platform::Handle event) { return aspi_.CompleteForEvent(event); });
  if (result.code == platform::kWaitTimeout) {
    AdvanceThisThread(result.nowMs - now);
  } else {
    clocks_.RaiseTo(result.nowMs);
  }
  return result.code;
}

uint64_t Machine::Host::NowMs() { return machine_.clocks_.Now(); }

uint64_t Machine::Host::ThreadKey() { return machine_.clocks_.Key(); }

void Machine::Host::AdvanceMs(uint64_t ms) { machine_.AdvanceThisThread(ms); }

bool Machine::Host::IsEvent(platform::Handle event) { return machine_.events_.Exists(event); }

void Machine::Host::ScheduleEvent(platform::Handle event, uint64_t atMs) { machine_.events_.Schedule(event, atMs); }

void Machine::Host::ScheduleEventNever(platform::Handle event) { machine_.events_.ScheduleNever(event); }

void Machine::Host::UnscheduleEvent(platform::Handle event) { machine_.events_.Unschedule(event); }

void Machine::Host::SignalEvent(platform::Handle event, uint64_t atMs) { machine_.events_.Set(event, atMs); }

bool Machine::Host::RealTimeLatency() { return machine_.realTimeLatency_.load(); }

}  // namespace emu
