// What keeps an update safe on a desktop that goes on living around it: one copy of the program
// at a time (a named mutex), no sleep or standby while drives are written (the execution state,
// and the answer to the suspend query), and no write started on a battery that may run out.
// Without the platform's desktop calls (null) none of it does anything.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"
#include "platform/platform.h"

namespace app {

// Exit statuses: another copy runs (also without /AUTO); /AUTO on a low battery.
inline constexpr int kExitAnotherCopy = 9;
inline constexpr int kExitLowBattery = 10;

inline constexpr char kAnotherCopyRunning[] =
    "FLASH.EXE is already running. Only one copy may update drives at a time.";

// Sessions (NT 5 and later) each have their own names unless the global space is asked for; the
// consumer family and NT 4 know one space and refuse the prefix.
std::string OneCopyMutexName(const platform::OsVersion& version);

// Holds the program's mutex from its construction to its end. The version that names it is the
// system's, the error that tells a taken name the files' GetLastError.
class OneCopy {
 public:
  OneCopy(platform::Desktop* desktop, platform::SystemInfo& system, platform::FileIo& files);
  ~OneCopy();
  OneCopy(const OneCopy&) = delete;
  OneCopy& operator=(const OneCopy&) = delete;
  // True when another copy held the name first (or holds it in another user's session). A
  // mutex that cannot be made for another reason says nothing, and the program runs.
  bool AnotherRunning() const { return anotherRunning_; }

 private:
  platform::Desktop* desktop_;
  platform::Handle mutex_ = 0;
  bool anotherRunning_ = false;
};

// The system stays awake (no sleep or standby on idle) while held. Where SetThreadExecutionState
// is missing (95, NT 4) it does nothing; the suspend query is still denied by the window.
class KeepAwake {
 public:
  KeepAwake() = default;
  ~KeepAwake() { Release(); }
  KeepAwake(const KeepAwake&) = delete;
  KeepAwake& operator=(const KeepAwake&) = delete;
  // The entry point is looked up through the library; both are needed.
  void Hold(platform::Desktop* desktop, platform::Library* library);
  void Release();
  bool Held() const { return desktop_ != nullptr; }

 private:
  platform::Desktop* desktop_ = nullptr;
  void* entry_ = nullptr;
};

// WM_POWERBROADCAST events the window answers or logs.
inline constexpr uint32_t kPbtApmQuerySuspend = 0x0000;
inline constexpr uint32_t kPbtApmSuspend = 0x0004;
inline constexpr uint32_t kPbtApmResumeCritical = 0x0006;
inline constexpr uint32_t kPbtApmResumeSuspend = 0x0007;
inline constexpr uint32_t kPbtApmResumeAutomatic = 0x0012;
// The log line of a suspend or resume event, or empty for an event that is not one.
std::string PowerEventText(uint32_t event);

// Below this share of charge on battery power the run asks first.
inline constexpr int kLowBatteryPercent = 25;
// What is said of a power status that calls for a question (on battery with a low or unknown
// charge), or empty: mains power, no battery, an unknown supply.
std::string LowBatteryState(const platform::SystemPowerStatus& status);
// Asks the system; empty when it cannot tell.
std::string LowBatteryState(platform::Desktop* desktop);
// The question before writing, and the unattended run's log line, for that state.
std::string LowBatteryQuestion(const std::string& state);
std::string LowBatteryRefusal(const std::string& state);

}  // namespace app
