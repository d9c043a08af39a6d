// Clock adapter: Sleep, GetLocalTime.
#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace platform::win32 {

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t Win32Clock::TimeOfDaySeconds() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return uint32_t{now.wHour} * 3600u + uint32_t{now.wMinute} * 60u + uint32_t{now.wSecond};
}

}  // namespace platform::win32
