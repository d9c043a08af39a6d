// KERNEL98.dll, the 98 SE personality's KERNEL32: the calls below answer as Windows 98 SE does;
// every other import of FLASH.EXE is forwarded to KERNEL32 by the generated .def file. Sources of
// each behaviour: tests/e2e/README.md ("The 98 SE personality").
#include <windows.h>

#include <cstring>

#include "emu/shim98/win32/record.h"

namespace {

// Windows 98 SE's GetVersionExA: 4.10, build 2222 (high word: major and minor), " A ".
constexpr DWORD kMajor = 4;
constexpr DWORD kMinor = 10;
constexpr DWORD kBuild = 0x040A08AE;
constexpr char kServicePack[] = " A ";

}  // namespace

extern "C" {

// lpThreadId "may not be NULL" on 95/98/Me.
HANDLE WINAPI Shim98_CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (threadId == nullptr) {
    shim98::Record("CreateThread thread-id NULL -> NULL, error 87");
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateThread(security, stack, start, parameter, flags, threadId);
}

// The Unicode functions that 95/98/Me export only as stubs.
HANDLE WINAPI Shim98_CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR) {
  shim98::Record("CreateSemaphoreW -> NULL, error 120");
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

HMODULE WINAPI Shim98_GetModuleHandleW(LPCWSTR) {
  shim98::Record("GetModuleHandleW -> NULL, error 120");
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

HMODULE WINAPI Shim98_LoadLibraryW(LPCWSTR) {
  shim98::Record("LoadLibraryW -> NULL, error 120");
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

// 9x reads a value that starts with '+' as 0, and answers 0 without a section or a key name.
UINT WINAPI Shim98_GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR file) {
  if (section == nullptr || key == nullptr) {
    shim98::Record("GetPrivateProfileIntA without %s -> 0", section == nullptr ? "section" : "key");
    return 0;
  }
  char value[64] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof value, file);
  if (value[0] == '+') {
    shim98::Record("GetPrivateProfileIntA [%s] %s=%s -> 0", section, key, value);
    return 0;
  }
  return GetPrivateProfileIntA(section, key, defaultValue, file);
}

// 98 SE knows OSVERSIONINFOA only; OSVERSIONINFOEXA came with NT 4.0 SP6.
BOOL WINAPI Shim98_GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    shim98::Record("GetVersionExA size %lu -> FALSE, error 122",
                   info == nullptr ? 0ul : static_cast<unsigned long>(info->dwOSVersionInfoSize));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = kMajor;
  info->dwMinorVersion = kMinor;
  info->dwBuildNumber = kBuild;
  info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::memcpy(info->szCSDVersion, kServicePack, sizeof kServicePack);
  return TRUE;
}

// lpNumberOfBytesRead / lpNumberOfBytesWritten "cannot be NULL" on 95/98/Me (without OVERLAPPED).
BOOL WINAPI Shim98_ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read == nullptr && overlapped == nullptr) {
    shim98::Record("ReadFile bytes-read NULL -> FALSE, error 87");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ReadFile(file, buffer, size, read, overlapped);
}

BOOL WINAPI Shim98_WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written == nullptr && overlapped == nullptr) {
    shim98::Record("WriteFile bytes-written NULL -> FALSE, error 87");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return WriteFile(file, buffer, size, written, overlapped);
}

}  // extern "C"
