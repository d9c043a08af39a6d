// What a run log needs of the operating system: the local date and time (GetLocalTime) and
// appending to a text file (CreateFileA, SetFilePointer, WriteFile, CloseHandle). Kept apart from
// FileIo so the SCSI layer's file interface stays what it needs.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

inline constexpr uint32_t kOpenAlways = 4;
inline constexpr uint32_t kFileAttributeNormal = 0x80;
inline constexpr uint32_t kFileEnd = 2;
inline constexpr uint32_t kInvalidSetFilePointer = 0xFFFFFFFF;

// The fields of SYSTEMTIME, in its order.
struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

class LocalTime {
 public:
  virtual ~LocalTime() = default;
  virtual void GetLocalTime(SystemTime* time) = 0;
};

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // No security attributes and no template file. kInvalidHandle on failure.
  virtual Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                             uint32_t creationDisposition, uint32_t flagsAndAttributes) = 0;
  // The low 32 bits of the move only; returns the new position's low part or kInvalidSetFilePointer.
  virtual uint32_t SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) = 0;
  // No overlapped record.
  virtual int WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) = 0;
  virtual int CloseHandle(Handle object) = 0;
};

}  // namespace platform
