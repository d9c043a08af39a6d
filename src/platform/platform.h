// The boundary to the operating system: small interfaces whose methods each stand for one Windows call.
// The units reach Windows only through these, so the same code runs in FLASH.EXE (thin Win32 adapters)
// and in the native tests (the emulated machine in emu/).
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

// The parts of OSVERSIONINFOA the system reads: the platform id chooses the SCSI back end, the
// major version the one-copy mutex's name space.
struct OsVersion {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t platformId = 0;
};

// GetVersionExA, GetLogicalDrives, GetDriveTypeA.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetVersionExA with dwOSVersionInfoSize 148; 0 when it fails.
  virtual int GetVersionExA(OsVersion* version) = 0;
  virtual uint32_t GetLogicalDrives() = 0;
  virtual uint32_t GetDriveTypeA(const char* rootPath) = 0;
};

// The platform id alone, as the SCSI layer chooses its back end by it; 0 when GetVersionExA fails.
inline uint32_t PlatformId(SystemInfo& system) {
  OsVersion version;
  return system.GetVersionExA(&version) != 0 ? version.platformId : 0;
}

// CreateFileA, DeviceIoControl, ReadFile, GetFileSize, SetFilePointer, WriteFile, CloseHandle,
// GetLastError: the devices of the SCSI layer, the files of the loader and the run log. GetLastError
// answers for every interface of the boundary, whichever call before it set the error.
class FileIo {
 public:
  virtual ~FileIo() = default;
  // No security attributes and no template file: the system never passes either.
  virtual Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                             uint32_t creationDisposition, uint32_t flagsAndAttributes) = 0;
  // No overlapped record: the system always waits for the request to complete.
  virtual int DeviceIoControl(Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                              void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) = 0;
  virtual int ReadFile(Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) = 0;
  // The low 32 bits of the size; the high part is never asked for.
  virtual uint32_t GetFileSize(Handle file) = 0;
  // The low 32 bits of the move only; returns the new position's low part or kInvalidSetFilePointer.
  virtual uint32_t SetFilePointer(Handle file, int32_t distance, uint32_t moveMethod) = 0;
  // No overlapped record.
  virtual int WriteFile(Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) = 0;
  virtual int CloseHandle(Handle object) = 0;
  // The calling thread's last error, as the call before it left it.
  virtual uint32_t GetLastError() = 0;
};

// LoadLibraryA, GetModuleHandleA, GetProcAddress, FreeLibrary: the ASPI manager's entry points,
// and the system's own that an older system may lack.
class Library {
 public:
  virtual ~Library() = default;
  virtual Module LoadLibraryA(const char* fileName) = 0;  // 0 on failure
  // A module the process has loaded already; 0 when it has not. Takes no reference to free.
  virtual Module GetModuleHandleA(const char* moduleName) = 0;
  virtual void* GetProcAddress(Module module, const char* procName) = 0;
  virtual int FreeLibrary(Module module) = 0;
};

// Events with timed waits: CreateEventA, SetEvent, ResetEvent, WaitForSingleObject, and CloseHandle
// for an event.
class Sync {
 public:
  virtual ~Sync() = default;
  virtual Handle CreateEventA(bool manualReset, bool initialState) = 0;  // 0 on failure
  virtual int SetEvent(Handle event) = 0;
  virtual int ResetEvent(Handle event) = 0;
  virtual uint32_t WaitForSingleObject(Handle object, uint32_t milliseconds) = 0;
  virtual int CloseEvent(Handle event) = 0;
};

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

// Sleep and the local time. Every wait of the system goes through here, so tests run the
// one-minute restart waits and the ASPI abort loop in virtual time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual void GetLocalTime(SystemTime* time) = 0;
};

// Seconds since midnight, from GetLocalTime: what the timed loops measure their spans in.
inline uint32_t TimeOfDaySeconds(Clock& clock) {
  SystemTime now;
  clock.GetLocalTime(&now);
  return uint32_t{now.hour} * 3600u + uint32_t{now.minute} * 60u + uint32_t{now.second};
}

// Seconds from `start` (a TimeOfDaySeconds reading) to now, counted modulo one day: a span that
// straddles midnight must neither go negative nor wait for ever.
inline uint32_t SecondsSince(Clock& clock, uint32_t start) {
  constexpr uint32_t kSecondsPerDay = 86400;
  return (TimeOfDaySeconds(clock) + kSecondsPerDay - start) % kSecondsPerDay;
}

// What the SCSI access layer needs of the operating system.
struct ScsiPlatform {
  SystemInfo& system;
  FileIo& files;
  Library& library;
  Sync& sync;
  Clock& clock;
};

}  // namespace platform
