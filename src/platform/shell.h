// The process token, the system restart and the process exit behind the platform boundary:
// OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges, CloseHandle for the token,
// ExitWindowsEx, and the run-time library's exit. Whether the privilege was granted is FileIo's
// GetLastError.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

inline constexpr uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr uint32_t kTokenQuery = 0x08;
inline constexpr uint32_t kSePrivilegeEnabled = 0x2;
inline constexpr uint32_t kEwxReboot = 0x2;
inline constexpr char kSeShutdownName[] = "SeShutdownPrivilege";

// A locally unique identifier, as LookupPrivilegeValueA fills it.
struct Luid {
  uint32_t lowPart = 0;
  int32_t highPart = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // OpenProcessToken on GetCurrentProcess().
  virtual int OpenProcessToken(uint32_t desiredAccess, Handle* token) = 0;
  // On the local system (no system name).
  virtual int LookupPrivilegeValueA(const char* name, Luid* luid) = 0;
  // One privilege with its attributes; all others unchanged, no previous state returned.
  virtual int AdjustTokenPrivileges(Handle token, const Luid& luid, uint32_t attributes) = 0;
  // CloseHandle for the token that OpenProcessToken opened.
  virtual int CloseToken(Handle token) = 0;
  virtual int ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
  // The run-time library's normal exit: registered exit routines run; does not return.
  virtual void Exit(int code) = 0;
};

}  // namespace platform
