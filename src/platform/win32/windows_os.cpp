// The one place that makes the Windows adapters and wires them into the aggregate.
#include "platform/win32/windows_os.h"

#include "platform/win32/profile_win32.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_library.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sync.h"
#include "platform/win32/win32_system_info.h"

namespace platform::win32 {
namespace {

struct Adapters {
  Win32SystemInfo system;
  Win32FileIo files;
  Win32Library library;
  Win32Sync sync;
  Win32Clock clock;
  Win32Profile profile;
  Win32Shell shell;
  Win32Desktop desktop;
};

}  // namespace

Os WindowsOs() {
  // Made on the first call, which may come from static initialisation.
  static Adapters adapters;
  return Os{adapters.system, adapters.files, adapters.library, adapters.sync, adapters.clock,
            adapters.profile, adapters.shell, adapters.desktop};
}

}  // namespace platform::win32
