// The stand-alone emulated ASPI manager as a library: reads its configuration, serves the two entry
// points, logs every command and writes each drive's flash and status files after every
// firmware commit and at the end of the process. Test equipment, never part of the product.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emu/aspi_manager.h"
#include "emu/dll/command_journal.h"
#include "emu/dll/emu_config.h"
#include "emu/dll/manager_setup.h"
#include "emu/dll/realtime_host.h"
#include "platform/threads.h"

namespace emu::dll {

// SS_FAILED_INIT: what GetASPI32SupportInfo reports when the configuration is missing or wrong.
inline constexpr uint8_t kSsFailedInit = 0xE4;

// The emulated drives' outputs, shared by every back end's equipment: reads and parses the
// configuration file (false with the reasons in parsed.errors), writes the reasons to
// <config>.errors, and writes a drive's <name>.flash.bin and <name>.status into outDir (returns the
// restart count written).
bool ReadConfigFile(const std::string& configPath, ParseResult& parsed);
void WriteConfigErrors(const std::string& configPath, const std::vector<std::string>& errors);
int WriteDriveFiles(const std::string& outDir, const std::string& name, const Drive& drive);

class ManagerLibrary {
 public:
  // configPath: the file FLASH_EMU_CONFIG names, or empty when the variable is not set. Problems
  // go to configPath + ".errors" and leave a manager without adapters that reports SS_FAILED_INIT.
  ManagerLibrary(RealEvents& events, const std::string& configPath);
  ~ManagerLibrary();
  ManagerLibrary(const ManagerLibrary&) = delete;
  ManagerLibrary& operator=(const ManagerLibrary&) = delete;

  uint32_t SupportInfo() const;
  uint32_t SendCommand(void* srb);

  // The end of the process: PENDING lines for what is outstanding and every drive's files. Waits
  // at most `wait` for a lock another thread holds (it may have been stopped while holding it) and
  // skips that part then. Returns false when something was skipped.
  bool Finish(std::chrono::milliseconds wait);

  const std::vector<std::string>& Errors() const { return errors_; }
  // For the tests: the files of a drive.
  static std::string FlashFileName(const std::string& target) { return target + ".flash.bin"; }
  static std::string StatusFileName(const std::string& target) { return target + ".status"; }

 private:
  struct DriveState {
    NamedTarget target;
    int restartsWritten;
  };
  void Load(const std::string& configPath);
  void Fail(const std::string& configPath);
  DriveState* DriveAt(int adapter, int target);
  // Call with driveMutex_ held.
  void WriteDriveFiles(DriveState& state);

  RealEvents& events_;
  RealTimeHost host_;  // declared before the manager: the manager's thread calls it until joined
  AspiManager manager_;
  CommandJournal journal_;
  LibraryConfig config_;
  std::vector<std::string> errors_;
  // Held around everything that touches a drive, so the end of the process can tell whether a
  // thread stopped inside a drive.
  platform::Lock driveMutex_;
  std::vector<DriveState> drives_;
  std::vector<NamedTarget> targets_;
};

}  // namespace emu::dll
