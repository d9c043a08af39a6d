// FileIo over the real Windows calls: device and file handles, pass-through requests, file reads
// and the run log's appends.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32FileIo final : public FileIo {
 public:
  Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode, uint32_t creationDisposition,
                     uint32_t flagsAndAttributes) override;
  int DeviceIoControl(Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize, void* outBuffer,
                      uint32_t outSize, uint32_t* bytesReturned) override;
  int ReadFile(Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  uint32_t GetFileSize(Handle file) override;
  uint32_t SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) override;
  int WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) override;
  int CloseHandle(Handle object) override;
  uint32_t GetLastError() override;
};

}  // namespace platform::win32
