// The whole operating system as the program reaches it: one reference per interface of the
// boundary. FLASH.EXE's entry takes it from platform::win32::WindowsOs(), the native tests from
// emu::Machine::Os(); the SCSI layer's share of it is Scsi().
#pragma once

#include "platform/desktop.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "platform/shell.h"

namespace platform {

struct Os {
  SystemInfo& system;
  FileIo& files;
  Library& library;
  Sync& sync;
  Clock& clock;
  Profile& profile;
  Shell& shell;
  Desktop& desktop;

  ScsiPlatform Scsi() const { return ScsiPlatform{system, files, library, sync, clock}; }
};

}  // namespace platform
