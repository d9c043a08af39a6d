// The personality's record file (record.h): opened, appended to and closed for every line, so that
// the shims of every DLL and thread can write to it without sharing a handle.
#include "emu/shim98/win32/record.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace shim98 {

void Record(const char* format, ...) {
  const DWORD lastError = GetLastError();
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) n = 0;
  if (n > static_cast<int>(sizeof line) - 3) n = static_cast<int>(sizeof line) - 3;
  line[n++] = '\r';
  line[n++] = '\n';

  char path[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableA("FLASH_98SE_LOG", path, sizeof path);
  const char* name = length == 0 || length >= sizeof path ? "WIN98SE.LOG" : path;
  const HANDLE file = CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
  }
  SetLastError(lastError);
}

}  // namespace shim98
