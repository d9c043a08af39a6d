// Windows adapter of platform::Shell: the token privilege calls, ExitWindowsEx and exit.
#pragma once

#include "platform/shell.h"

namespace platform::win32 {

class Win32Shell final : public Shell {
 public:
  int OpenProcessToken(uint32_t desiredAccess, Handle* token) override;
  int LookupPrivilegeValueA(const char* name, Luid* luid) override;
  int AdjustTokenPrivileges(Handle token, const Luid& luid, uint32_t attributes) override;
  int CloseToken(Handle token) override;
  int ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  void Exit(int code) override;
};

}  // namespace platform::win32
