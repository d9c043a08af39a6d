// FLASH.EXE's entry: the real operating system's aggregate, the SCSI layer built by static initialisation
// (before the window exists), the Win32 widget back end, and the program's run.
#include <windows.h>

#include <memory>
#include <string>

#include "app/program.h"
#include "platform/win32/windows_os.h"
#include "scsi/scsi_layer.h"
#include "ui/win32/win32_backend.h"

namespace {

// Chooses the back end and enumerates the drives once, at program start.
scsi::ScsiLayer g_scsiLayer(platform::win32::WindowsOs().Scsi());

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  const platform::Os os = platform::win32::WindowsOs();
  // The run log is written and read back through the same files as everything else.
  const app::Machine machine{g_scsiLayer, os.system, os.files, os.clock, os.profile, os.shell,
                               update::kEmbeddedImage, os.files, &os.desktop, os.files, &os.library};
  const std::string options = commandLine != nullptr ? commandLine : "";
  // The back end registers the window classes and makes the timers' window; refused, the program
  // ends with its error status rather than the run-time library's abort.
  std::unique_ptr<ui::Win32Backend> backend;
  try {
    backend = std::make_unique<ui::Win32Backend>();
  } catch (const std::exception& error) {
    return app::EndWithoutWindow(machine, options, error);
  }
  return app::RunProgram(*backend, machine, options);
}
