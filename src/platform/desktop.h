// What keeps an update safe on a desktop, behind the platform boundary: the named mutex that
// lets one copy of the program run at a time (CreateMutexA, CloseHandle; the version that decides
// its name space and the error that tells a taken name are SystemInfo's and FileIo's), the power
// supply (GetSystemPowerStatus) and the execution state that keeps the system awake
// (SetThreadExecutionState, which 95 and NT 4 lack: its entry point is looked up through
// Library's GetModuleHandleA and GetProcAddress).
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

// SetThreadExecutionState flags.
inline constexpr uint32_t kEsSystemRequired = 0x00000001u;
inline constexpr uint32_t kEsContinuous = 0x80000000u;

// SYSTEM_POWER_STATUS: ACLineStatus 0 offline, 1 online, 255 unknown; BatteryFlag bits 1 high,
// 2 low, 4 critical, 8 charging, 128 no system battery, or 255 unknown; BatteryLifePercent 0..100
// or 255 unknown; the two life times in seconds, 0xFFFFFFFF unknown.
struct SystemPowerStatus {
  uint8_t acLineStatus = 255;
  uint8_t batteryFlag = 255;
  uint8_t batteryLifePercent = 255;
  uint8_t reserved1 = 0;
  uint32_t batteryLifeTime = 0xFFFFFFFFu;
  uint32_t batteryFullLifeTime = 0xFFFFFFFFu;
};
inline constexpr uint8_t kAcLineOffline = 0;
inline constexpr uint8_t kAcLineOnline = 1;
inline constexpr uint8_t kBatteryFlagNoBattery = 128;
inline constexpr uint8_t kUnknownByte = 255;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // No security attributes. 0 on failure; GetLastError tells whether the name existed.
  virtual Handle CreateMutexA(bool initialOwner, const char* name) = 0;
  // CloseHandle for a mutex.
  virtual int CloseMutex(Handle mutex) = 0;
  virtual int GetSystemPowerStatus(SystemPowerStatus* status) = 0;
  // SetThreadExecutionState through the entry point that Library::GetProcAddress found; the
  // previous state, or 0 when the call fails.
  virtual uint32_t SetThreadExecutionState(void* entry, uint32_t flags) = 0;
};

}  // namespace platform
