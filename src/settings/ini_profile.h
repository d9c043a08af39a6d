// The project's own profile-file reader and writer behind platform::Profile, working on real files
// with Windows-style names, for the platforms that have no profile functions (the native tests).
#pragma once

#include <string>
#include <string_view>

#include "platform/profile.h"

namespace settings {

// A Windows-style file name as a path of this platform: backslashes separate segments, a segment
// "." is dropped, and so is one period closing any other segment but the last unless the segment is
// all periods. So "D.\FLASH.INI" names FLASH.INI inside D, and ".\FLASH.INI" names it in the
// current directory.
std::string ResolveWindowsPath(std::string_view fileName);

class IniProfile final : public platform::Profile {
 public:
  uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                 const char* fileName) override;
  uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, uint32_t size, const char* fileName) override;
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                 const char* fileName) override;
  uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer) override;
};

}  // namespace settings
