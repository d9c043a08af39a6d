// SystemInfo adapter: GetVersionExA, GetLogicalDrives, GetDriveTypeA.
#include "platform/win32/win32_system_info.h"

#include <windows.h>

namespace platform::win32 {

// The record size the system announces is the ANSI record's own, 148 bytes; older systems
// reject a size they do not know.
static_assert(sizeof(OSVERSIONINFOA) == 148);

uint32_t Win32SystemInfo::GetVersionPlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  return ::GetVersionExA(&info) ? info.dwPlatformId : 0;
}

uint32_t Win32SystemInfo::GetLogicalDrives() { return ::GetLogicalDrives(); }

uint32_t Win32SystemInfo::GetDriveTypeA(const char* rootPath) { return ::GetDriveTypeA(rootPath); }

}  // namespace platform::win32
