// SystemInfo over the real Windows calls: the operating-system version and the drive letters.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32SystemInfo final : public SystemInfo {
 public:
  int GetVersionExA(OsVersion* version) override;
  uint32_t GetLogicalDrives() override;
  uint32_t GetDriveTypeA(const char* rootPath) override;
};

}  // namespace platform::win32
