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
  // How GetPrivateProfileIntA reads a value: as Windows 2000/XP do, or as Windows 98 SE does, which
  // makes 0 of a value that begins with '+' (Wine's profile tests, the 9x results).
  enum class IntegerReading { Nt, Win9x };
  void SetIntegerReading(IntegerReading reading) { reading_ = reading; }

  uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                 const char* fileName) override;
  uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, uint32_t size, const char* fileName) override;
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                 const char* fileName) override;
  uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer) override;

 private:
  IntegerReading reading_ = IntegerReading::Nt;
};

}  // namespace settings
