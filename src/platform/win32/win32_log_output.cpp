// Run log adapters: GetLocalTime, CreateFileA, SetFilePointer, WriteFile, CloseHandle.
#include "platform/win32/win32_log_output.h"

#include <windows.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

void Win32LocalTime::GetLocalTime(SystemTime* time) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  *time = SystemTime{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond,
                     now.wMilliseconds};
}

Handle Win32FileWriter::CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                                    uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  return FromWin(::CreateFileA(path, desiredAccess, shareMode, nullptr, creationDisposition, flagsAndAttributes,
                               nullptr));
}

uint32_t Win32FileWriter::SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) {
  return ::SetFilePointer(ToWin(file), distance, nullptr, moveMethod);
}

// Without an overlapped record Windows requires a byte counter, so one is always passed.
int Win32FileWriter::WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(ToWin(file), buffer, bytesToWrite, &written, nullptr);
  if (bytesWritten) *bytesWritten = written;
  return ok;
}

int Win32FileWriter::CloseHandle(Handle object) { return ::CloseHandle(ToWin(object)); }

}  // namespace platform::win32
