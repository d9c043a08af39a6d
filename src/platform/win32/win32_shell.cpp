// Windows adapter of platform::Shell: each method is the Windows call of the same name.
#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <cstdlib>

namespace platform::win32 {

int Win32Shell::OpenProcessToken(uint32_t desiredAccess, Handle* token) {
  HANDLE opened = nullptr;
  const BOOL ok = ::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &opened);
  *token = reinterpret_cast<Handle>(opened);
  return ok;
}

int Win32Shell::LookupPrivilegeValueA(const char* name, Luid* luid) {
  LUID found{};
  const BOOL ok = ::LookupPrivilegeValueA(nullptr, name, &found);
  luid->lowPart = found.LowPart;
  luid->highPart = found.HighPart;
  return ok;
}

int Win32Shell::AdjustTokenPrivileges(Handle token, const Luid& luid, uint32_t attributes) {
  TOKEN_PRIVILEGES state{};
  state.PrivilegeCount = 1;
  state.Privileges[0].Luid.LowPart = luid.lowPart;
  state.Privileges[0].Luid.HighPart = luid.highPart;
  state.Privileges[0].Attributes = attributes;
  return ::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), FALSE, &state, 0, nullptr, nullptr);
}

int Win32Shell::CloseToken(Handle token) { return ::CloseHandle(reinterpret_cast<HANDLE>(token)); }

int Win32Shell::ExitWindowsEx(uint32_t flags, uint32_t reason) { return ::ExitWindowsEx(flags, reason); }

void Win32Shell::Exit(int code) { std::exit(code); }

}  // namespace platform::win32
