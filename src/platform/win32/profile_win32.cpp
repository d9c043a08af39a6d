// Windows adapter of platform::Profile: one Windows call per method, nothing decided here.
#include "platform/win32/profile_win32.h"

#include <windows.h>

namespace platform::win32 {

uint32_t Win32Profile::GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                             const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

uint32_t Win32Profile::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                char* buffer, uint32_t size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

int Win32Profile::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                             const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName);
}

uint32_t Win32Profile::GetCurrentDirectoryA(uint32_t size, char* buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

}  // namespace platform::win32
