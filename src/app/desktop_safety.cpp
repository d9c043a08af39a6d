// One copy at a time, the execution state and the battery check.
#include "app/desktop_safety.h"

namespace app {
namespace {

constexpr char kMutexName[] = "FLASH.EXE drive firmware update";
constexpr char kGlobalPrefix[] = "Global\\";
constexpr uint32_t kFirstSessionMajor = 5;

}  // namespace

std::string OneCopyMutexName(const platform::OsVersion& version) {
  const bool sessions = version.platformId == platform::kPlatformWin32NT && version.majorVersion >= kFirstSessionMajor;
  return sessions ? std::string(kGlobalPrefix) + kMutexName : std::string(kMutexName);
}

OneCopy::OneCopy(platform::Desktop* desktop, platform::SystemInfo& system, platform::FileIo& files)
    : desktop_(desktop) {
  if (desktop_ == nullptr) return;
  platform::OsVersion version;
  if (system.GetVersionExA(&version) == 0) version = platform::OsVersion{};
  const std::string name = OneCopyMutexName(version);
  mutex_ = desktop_->CreateMutexA(false, name.c_str());
  // Read at once: any later call may change it.
  const uint32_t error = files.GetLastError();
  anotherRunning_ = mutex_ != 0 ? error == platform::kErrorAlreadyExists : error == platform::kErrorAccessDenied;
}

OneCopy::~OneCopy() {
  if (desktop_ != nullptr && mutex_ != 0) desktop_->CloseMutex(mutex_);
}

void KeepAwake::Hold(platform::Desktop* desktop, platform::Library* library) {
  if (desktop == nullptr || library == nullptr || Held()) return;
  const platform::Module kernel = library->GetModuleHandleA("KERNEL32.DLL");
  void* entry = kernel != 0 ? library->GetProcAddress(kernel, "SetThreadExecutionState") : nullptr;
  if (entry == nullptr) return;
  // Held whatever the answer: a previous state of 0 cannot be told from a failure, and giving
  // back a state that was never taken costs nothing, while one left set keeps the system awake.
  desktop->SetThreadExecutionState(entry, platform::kEsContinuous | platform::kEsSystemRequired);
  desktop_ = desktop;
  entry_ = entry;
}

void KeepAwake::Release() {
  if (!Held()) return;
  desktop_->SetThreadExecutionState(entry_, platform::kEsContinuous);
  desktop_ = nullptr;
  entry_ = nullptr;
}

std::string PowerEventText(uint32_t event) {
  switch (event) {
    case kPbtApmSuspend: return "The computer is going to sleep while drives are being written.";
    case kPbtApmResumeCritical:
    case kPbtApmResumeSuspend:
    case kPbtApmResumeAutomatic: return "The computer woke up from sleep during the update.";
    default: return "";
  }
}

std::string LowBatteryState(const platform::SystemPowerStatus& status) {
  const bool onBattery = status.acLineStatus == platform::kAcLineOffline &&
                         status.batteryFlag != platform::kBatteryFlagNoBattery;
  if (!onBattery) return "";
  const uint8_t percent = status.batteryLifePercent;
  const bool unknown = percent > 100;  // 255: the system cannot tell
  if (!unknown && percent >= kLowBatteryPercent) return "";
  const std::string charge = unknown ? "an unknown charge" : std::to_string(percent) + "% charge";
  return "This computer is running on battery with " + charge + " left.";
}

std::string LowBatteryState(platform::Desktop* desktop) {
  if (desktop == nullptr) return "";
  platform::SystemPowerStatus status;
  if (desktop->GetSystemPowerStatus(&status) == 0) return "";
  return LowBatteryState(status);
}

std::string LowBatteryQuestion(const std::string& state) {
  return state +
         " A drive whose firmware update is cut off by a power loss stops working. Connect the power supply, "
         "or press OK to update anyway.";
}

std::string LowBatteryRefusal(const std::string& state) {
  return state + " The update was not started; connect the power supply.";
}

}  // namespace app
