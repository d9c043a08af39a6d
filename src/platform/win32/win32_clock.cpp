// Clock adapter: Sleep, GetLocalTime.
#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace platform::win32 {

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Clock::GetLocalTime(SystemTime* time) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  *time = SystemTime{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond,
                     now.wMilliseconds};
}

}  // namespace platform::win32
