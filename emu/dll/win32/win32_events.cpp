// One Windows call per method.
#include "emu/dll/win32/win32_events.h"

#include <windows.h>

namespace emu::dll::win32 {

uint64_t Win32Events::TickMs() {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  if (now < last_) high_ += uint64_t{1} << 32;
  last_ = now;
  return high_ | now;
}

bool Win32Events::IsEvent(platform::Handle event) {
  DWORD flags = 0;
  return event != 0 && GetHandleInformation(reinterpret_cast<HANDLE>(event), &flags) != 0;
}

void Win32Events::Set(platform::Handle event) { SetEvent(reinterpret_cast<HANDLE>(event)); }

}  // namespace emu::dll::win32
