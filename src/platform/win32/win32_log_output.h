// The run log's adapters over the real Windows calls: GetLocalTime, and CreateFileA,
// SetFilePointer, WriteFile, CloseHandle for appending.
#pragma once

#include "platform/log_output.h"

namespace platform::win32 {

class Win32LocalTime final : public LocalTime {
 public:
  void GetLocalTime(SystemTime* time) override;
};

class Win32FileWriter final : public FileWriter {
 public:
  Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode, uint32_t creationDisposition,
                     uint32_t flagsAndAttributes) override;
  uint32_t SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) override;
  int WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) override;
  int CloseHandle(Handle object) override;
};

}  // namespace platform::win32
