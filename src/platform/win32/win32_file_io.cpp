// FileIo adapter: CreateFileA, DeviceIoControl, ReadFile, GetFileSize, SetFilePointer, WriteFile,
// CloseHandle, GetLastError.
#include "platform/win32/win32_file_io.h"

#include <windows.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

Handle Win32FileIo::CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                                uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  return FromWin(::CreateFileA(path, desiredAccess, shareMode, nullptr, creationDisposition, flagsAndAttributes,
                               nullptr));
}

// Without an overlapped record Windows requires a byte counter, so one is always passed and copied
// out only when the caller asked for it.
int Win32FileIo::DeviceIoControl(Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                                 void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
  DWORD returned = 0;
  const BOOL ok = ::DeviceIoControl(ToWin(device), ioControlCode, inBuffer, inSize, outBuffer, outSize, &returned,
                                    nullptr);
  if (bytesReturned) *bytesReturned = returned;
  return ok;
}

int Win32FileIo::ReadFile(Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(ToWin(file), buffer, bytesToRead, &read, nullptr);
  if (bytesRead) *bytesRead = read;
  return ok;
}

uint32_t Win32FileIo::GetFileSize(Handle file) { return ::GetFileSize(ToWin(file), nullptr); }

uint32_t Win32FileIo::SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) {
  return ::SetFilePointer(ToWin(file), distance, nullptr, moveMethod);
}

int Win32FileIo::WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(ToWin(file), buffer, bytesToWrite, &written, nullptr);
  if (bytesWritten) *bytesWritten = written;
  return ok;
}

int Win32FileIo::CloseHandle(Handle object) { return ::CloseHandle(ToWin(object)); }

uint32_t Win32FileIo::GetLastError() { return ::GetLastError(); }

}  // namespace platform::win32
