// The private-profile (INI file) functions and GetCurrentDirectoryA across the platform boundary.
// FLASH.EXE uses the Windows adapter; the native tests use settings::IniProfile, which keeps the
// same observable behaviour for every call the system makes.
#pragma once

#include <cstdint>

namespace platform {

class Profile {
 public:
  virtual ~Profile() = default;
  // Section and key are never null: the system never enumerates sections or keys.
  // Windows returns a UINT; a stored "-1" comes back as 0xFFFFFFFF, so callers cast to int32_t.
  virtual uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                         const char* fileName) = 0;
  // Copies at most size - 1 characters and a terminating zero; returns the characters copied.
  virtual uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                            char* buffer, uint32_t size, const char* fileName) = 0;
  // Non-zero on success. Creates the file or the section when needed.
  virtual int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                         const char* fileName) = 0;
  // Length without the terminating zero when it fits; otherwise the size needed (with the zero) and
  // the buffer is left alone; 0 on failure.
  virtual uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer) = 0;
};

}  // namespace platform
