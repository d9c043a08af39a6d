// FLASH.EXE's entry: the real Windows adapters, the SCSI layer built by static initialisation
// (before the window exists), the Win32 widget back end, and the program's run.
#include <windows.h>

#include <memory>
#include <string>

#include "app/program.h"
#include "platform/win32/profile_win32.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_log_output.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/windows_platform.h"
#include "scsi/scsi_layer.h"
#include "ui/win32/win32_backend.h"

namespace {

platform::win32::WindowsPlatform& Os() {
  static platform::win32::WindowsPlatform os;
  return os;
}

// Chooses the back end and enumerates the drives once, at program start.
scsi::ScsiLayer g_scsiLayer(Os().Scsi());

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  platform::win32::Win32Profile profile;
  platform::win32::Win32Shell shell;
  platform::win32::Win32FileWriter logFiles;
  platform::win32::Win32LocalTime localTime;
  platform::win32::Win32Desktop desktop;
  platform::ScsiPlatform os = Os().Scsi();
  const app::Services services{g_scsiLayer, os.files, os.clock, profile, shell, update::kEmbeddedImage,
                               &logFiles, &localTime, &desktop, &os.files};
  const std::string options = commandLine != nullptr ? commandLine : "";
  // The back end registers the window classes and makes the timers' window; refused, the program
  // ends with its error status rather than the run-time library's abort.
  std::unique_ptr<ui::Win32Backend> backend;
  try {
    backend = std::make_unique<ui::Win32Backend>();
  } catch (const std::exception& error) {
    return app::EndWithoutWindow(services, options, error);
  }
  return app::RunProgram(*backend, services, options);
}
