// Unit Main's program-wide variables, one object per program run, and what the window reaches of
// the machine. The window and its handlers find them through MainUnit::Current().
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/desktop_safety.h"
#include "app/options.h"
#include "app/run_log.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "scsi/scsi_layer.h"
#include "scsi/types.h"
#include "service/cvt_loader.h"
#include "update/aspithread.h"
#include "update/drive_table.h"
#include "update/firmware_image.h"

namespace app {

class TForm1;

// The machine as the window sees it. The SCSI layer is the one built at program start.
// The clock also dates the run log's lines; files' GetLastError answers for every interface.
struct Machine {
  scsi::ScsiLayer& scsi;
  platform::SystemInfo& system;
  platform::FileIo& files;
  platform::Clock& clock;
  platform::Profile& profile;
  platform::Shell& shell;
  const update::FirmwareImage& image = update::kEmbeddedImage;
  // The run log is appended to through these; with NoLogFiles nothing is logged.
  platform::FileIo& logFiles = NoLogFiles();
  // One copy at a time, the execution state, the power status; without them none is guarded.
  platform::Desktop* desktop = nullptr;
  // Reads the run log back at start-up (a run cut off before its end); with NoLogFiles none is found.
  platform::FileIo& logReader = NoLogFiles();
  // Finds the execution-state entry point, which an older system lacks; without it (or without
  // the desktop) the system is not kept awake during a run.
  platform::Library* library = nullptr;
};

class MainUnit {
 public:
  // Starts the unit on the first request; later requests only count (the unit's start and end
  // run once however often they are asked for). Returns the running unit. The first start also
  // registers the unit's end with the run-time library's exit, so a program that ends through
  // exit (E&XIT) runs it too.
  static MainUnit& Start(const Machine& machine);
  // Ends the unit when the last request is given back: the drive names first, then the start-up
  // directory, then the firmware path.
  static void Finish();
  static MainUnit& Current();
  static bool Running();

  explicit MainUnit(const Machine& machine);
  ~MainUnit();

  Machine machine;
  TForm1* Form1 = nullptr;
  scsi::DeviceRef windowRef = scsi::kClosedRef;
  std::string firmwarePath;
  std::string startupDirectory;
  // WrongDriveFlags and DriveNames, by device index, shared with the flash workers.
  update::DriveTable drives;
  // The firmware file loader's state lives as long as the program.
  std::unique_ptr<service::CvtLoader> loader;
  // The ten flash workers; the window holds them by reference and never frees them. They go
  // before the drive table they write to.
  std::array<std::unique_ptr<update::AspiExec>, update::DriveTable::kEntries> workers;

  // The bench additions: command-line options, the run log's file, and when the current update
  // run started.
  Options options;
  std::string logPath;
  platform::SystemTime runStart;
  // Held from the Flash command to the run's end; given back at the latest when the unit ends.
  KeepAwake awake;

 private:
  // The registered exit routine: ends a unit still running, whatever its use count.
  static void EndAtExit();

  static inline MainUnit* current_ = nullptr;
  static inline int useCount_ = 0;
  static inline bool endRegistered_ = false;
};

}  // namespace app
