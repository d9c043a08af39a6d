// The real operating system behind the platform boundary: one object per process that owns every
// Windows adapter and hands them out as the SCSI access layer's platform.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_library.h"
#include "platform/win32/win32_sync.h"
#include "platform/win32/win32_system_info.h"

namespace platform::win32 {

class WindowsPlatform {
 public:
  // The references stay valid as long as this object lives.
  ScsiPlatform Scsi() { return ScsiPlatform{system_, files_, library_, sync_, clock_}; }

 private:
  Win32SystemInfo system_;
  Win32FileIo files_;
  Win32Library library_;
  Win32Sync sync_;
  Win32Clock clock_;
};

}  // namespace platform::win32
