// SystemInfo adapter: GetVersionExA, GetLogicalDrives, GetDriveTypeA.
#include "platform/win32/win32_system_info.h"

#include <windows.h>

namespace platform::win32 {

// The record size the system announces is the ANSI record's own, 148 bytes; older systems
// reject a size they do not know.
static_assert(sizeof(OSVERSIONINFOA) == 148);

int Win32SystemInfo::GetVersionExA(OsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  if (!::GetVersionExA(&info)) return 0;
  version->majorVersion = info.dwMajorVersion;
  version->minorVersion = info.dwMinorVersion;
  version->platformId = info.dwPlatformId;
  return 1;
}

uint32_t Win32SystemInfo::GetLogicalDrives() { return ::GetLogicalDrives(); }

uint32_t Win32SystemInfo::GetDriveTypeA(const char* rootPath) { return ::GetDriveTypeA(rootPath); }

}  // namespace platform::win32
