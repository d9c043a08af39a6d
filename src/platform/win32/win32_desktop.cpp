// Windows adapter of platform::Desktop: each method is the Windows call of the same name.
#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <cstddef>

#include "platform/win32/handles.h"

namespace platform::win32 {

// The boundary's record is the platform's, byte for byte.
static_assert(sizeof(SYSTEM_POWER_STATUS) == 12 && sizeof(SystemPowerStatus) == 12);
static_assert(offsetof(SystemPowerStatus, acLineStatus) == offsetof(SYSTEM_POWER_STATUS, ACLineStatus));
static_assert(offsetof(SystemPowerStatus, batteryFlag) == offsetof(SYSTEM_POWER_STATUS, BatteryFlag));
static_assert(offsetof(SystemPowerStatus, batteryLifePercent) ==
              offsetof(SYSTEM_POWER_STATUS, BatteryLifePercent));
static_assert(offsetof(SystemPowerStatus, batteryLifeTime) == offsetof(SYSTEM_POWER_STATUS, BatteryLifeTime));
static_assert(offsetof(SystemPowerStatus, batteryFullLifeTime) ==
              offsetof(SYSTEM_POWER_STATUS, BatteryFullLifeTime));

Handle Win32Desktop::CreateMutexA(bool initialOwner, const char* name) {
  return FromWin(::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, name));
}

int Win32Desktop::CloseMutex(Handle mutex) { return ::CloseHandle(ToWin(mutex)); }

int Win32Desktop::GetSystemPowerStatus(SystemPowerStatus* status) {
  SYSTEM_POWER_STATUS answer{};
  if (!::GetSystemPowerStatus(&answer)) return 0;
  status->acLineStatus = answer.ACLineStatus;
  status->batteryFlag = answer.BatteryFlag;
  status->batteryLifePercent = answer.BatteryLifePercent;
  status->reserved1 = answer.Reserved1;
  status->batteryLifeTime = answer.BatteryLifeTime;
  status->batteryFullLifeTime = answer.BatteryFullLifeTime;
  return 1;
}

uint32_t Win32Desktop::SetThreadExecutionState(void* entry, uint32_t flags) {
  using Fn = DWORD(WINAPI*)(DWORD);
  return reinterpret_cast<Fn>(entry)(flags);
}

}  // namespace platform::win32
