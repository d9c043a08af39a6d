// Windows adapter of platform::Profile: each method is the Windows call of the same name.
#pragma once

#include "platform/profile.h"

namespace platform::win32 {

class Win32Profile final : public Profile {
 public:
  uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                 const char* fileName) override;
  uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, uint32_t size, const char* fileName) override;
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                 const char* fileName) override;
  uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer) override;
};

}  // namespace platform::win32
