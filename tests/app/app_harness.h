// Test equipment: a whole program run on emulated drives, the headless widget back end, a real
// FLASH.INI in a temporary folder and a recording shell, created fresh for every test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "app/bench_mode.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "emu/drive.h"
#include "emu/machine.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "emulated_drives.h"
#include "scoped_temp_dir.h"
#include "scripted_clock.h"
#include "scsi/scsi_layer.h"
#include "settings/ini_profile.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace app::testing {

// Records the reboot's calls and hands each to the machine, which answers as its family does; the
// token opening can be made to fail. The token the machine opened is recorded as "token".
class RecordingShell : public platform::Shell {
 public:
  explicit RecordingShell(platform::Shell& system) : system_(system) {}

  int OpenProcessToken(uint32_t access, platform::Handle* token) override {
    calls.push_back("OpenProcessToken " + std::to_string(access));
    if (openTokenResult == 0) return 0;
    const int opened = system_.OpenProcessToken(access, token);
    if (opened != 0) token_ = *token;
    return opened;
  }
  int LookupPrivilegeValueA(const char* name, platform::Luid* luid) override {
    calls.push_back(std::string("LookupPrivilegeValueA ") + name);
    return system_.LookupPrivilegeValueA(name, luid);
  }
  int AdjustTokenPrivileges(platform::Handle token, const platform::Luid& luid, uint32_t attributes) override {
    calls.push_back("AdjustTokenPrivileges " + Named(token) + " " + std::to_string(luid.lowPart) + " " +
                    std::to_string(attributes));
    return system_.AdjustTokenPrivileges(token, luid, attributes);
  }
  int CloseToken(platform::Handle token) override {
    calls.push_back("CloseHandle " + Named(token));
    return system_.CloseToken(token);
  }
  int ExitWindowsEx(uint32_t flags, uint32_t reason) override {
    calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return system_.ExitWindowsEx(flags, reason);
  }
  void Exit(int code) override { calls.push_back("Exit " + std::to_string(code)); }

  std::vector<std::string> calls;
  int openTokenResult = 1;

 private:
  std::string Named(platform::Handle handle) const {
    return handle == token_ && token_ != 0 ? "token" : std::to_string(handle);
  }

  platform::Shell& system_;
  platform::Handle token_ = 0;
};

// Files appended to in memory, by name; each step of an append can be made to fail. Reading them
// back is MemoryLogReader's.
class MemoryLogFiles : public platform::FileIo {
 public:
  enum class Failure { None, Open, Seek, Write, ShortWrite };

  platform::Handle CreateFileA(const char* path, uint32_t, uint32_t, uint32_t, uint32_t) override {
    ++opens;
    if (failure == Failure::Open) return platform::kInvalidHandle;
    openPath_ = path;
    return 5;
  }
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override { return 0; }
  int ReadFile(platform::Handle, void*, uint32_t, uint32_t*) override { return 0; }
  uint32_t GetFileSize(platform::Handle) override { return 0xFFFFFFFFu; }
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override {
    return failure == Failure::Seek ? platform::kInvalidSetFilePointer : static_cast<uint32_t>(files[openPath_].size());
  }
  int WriteFile(platform::Handle, const void* buffer, uint32_t size, uint32_t* written) override {
    if (failure == Failure::Write) return 0;
    const uint32_t taken = failure == Failure::ShortWrite && size > 0 ? size - 1 : size;
    files[openPath_].append(static_cast<const char*>(buffer), taken);
    *written = taken;
    return 1;
  }
  int CloseHandle(platform::Handle) override {
    ++closes;
    return 1;
  }
  uint32_t GetLastError() override { return 0; }

  std::map<std::string, std::string> files;
  Failure failure = Failure::None;
  int opens = 0;
  int closes = 0;

 private:
  std::string openPath_;
};

// Reads back the files that MemoryLogFiles holds, as the program reads its log at start-up; a
// read can be made to fail.
class MemoryLogReader : public platform::FileIo {
 public:
  explicit MemoryLogReader(MemoryLogFiles& files) : files_(files) {}
  platform::Handle CreateFileA(const char* path, uint32_t, uint32_t, uint32_t, uint32_t) override {
    const auto found = files_.files.find(path);
    if (found == files_.files.end()) return platform::kInvalidHandle;
    text_ = found->second;
    position_ = 0;
    return 9;
  }
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override { return 0; }
  int ReadFile(platform::Handle, void* buffer, uint32_t size, uint32_t* read) override {
    if (failReads) return 0;
    const std::size_t taken = std::min<std::size_t>(size, text_.size() - position_);
    std::memcpy(buffer, text_.data() + position_, taken);
    position_ += taken;
    *read = static_cast<uint32_t>(taken);
    return 1;
  }
  uint32_t GetFileSize(platform::Handle) override { return static_cast<uint32_t>(text_.size()); }
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override { return platform::kInvalidSetFilePointer; }
  int WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) override { return 0; }
  int CloseHandle(platform::Handle) override { return 1; }
  uint32_t GetLastError() override { return 0; }

  bool failReads = false;

 private:
  MemoryLogFiles& files_;
  std::string text_;
  std::size_t position_ = 0;
};

struct DriveSpec {
  std::string vendor = "TEVOR";
  std::string product = "DVD RW KMR5133";
  std::string revision = "1.00";
  bool corruptAfterUpdate = false;
};

class AppHarness {
 public:
  ~AppHarness() { Stop(); }

  std::shared_ptr<emu::Drive> AddDrive(const DriveSpec& wanted = {}) {
    emu::DriveConfig config;
    config.vendor = wanted.vendor;
    config.product = wanted.product;
    config.revision = wanted.revision;
    config.corruptAfterUpdate = wanted.corruptAfterUpdate;
    config.seed = static_cast<uint32_t>(drives.size() + 1);
    return AddConfiguredDrive(config);
  }

  // The next device index (from D: on the pass-through back end) for a drive made as given.
  std::shared_ptr<emu::Drive> AddConfiguredDrive(const emu::DriveConfig& config) {
    auto drive = std::make_shared<emu::Drive>(config);
    test_support::AttachDrive(machine, backEnd, drives.size(), drive, 'D');
    drives.push_back(drive);
    return drive;
  }

  void WriteIni(const std::string& text) { std::ofstream(dir.Path() / "FLASH.INI") << text; }
  std::string ReadIni() const {
    std::ifstream in(dir.Path() / "FLASH.INI");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Program start: the SCSI layer, unit Main, the application and Form1 with its FormCreate.
  TForm1& Start() {
    test_support::SelectFamily(machine, backEnd);
    layer = std::make_unique<scsi::ScsiLayer>(machine.Platform());
    MainUnit& unit = MainUnit::Start(
        Machine{*layer, machine, machine, clock, profile, shell, update::kEmbeddedImage, logFiles, &machine,
                NoLogFiles(), &machine});
    ConfigureBench(unit, options);
    application = std::make_unique<ui::TApplication>(backend);
    ConnectApplication(*application);
    application->CreateForm(unit.Form1);
    form = unit.Form1;
    return *form;
  }

  // The machine as FLASH.EXE's entry hands it to the program's run (RunProgram).
  Machine ProgramMachine(scsi::ScsiLayer& programLayer) {
    return Machine{programLayer, machine, machine, clock, profile, shell, update::kEmbeddedImage, logFiles,
                    &machine, logReader, &machine};
  }

  void Stop() {
    if (form == nullptr) return;
    clock.Release();
    application.reset();
    form = nullptr;
    MainUnit::Finish();
  }

  void WaitForWorkers() {
    for (update::AspiExec* worker : form->workers) worker->WaitJobEnd();
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : backend.MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  // The log's file name in the folder: FLASH.LOG beside FLASH.INI.
  std::string LogText() const { return logFiles.files.count(DefaultLog()) ? logFiles.files.at(DefaultLog()) : ""; }
  std::string DefaultLog() const { return DefaultLogPath(dir.Path().string()); }

  // Set before the first AddDrive: the ASPI back ends hang the drives on the manager instead of on
  // drive letters (from D:).
  test_support::EmulatedBackEnd backEnd = test_support::kPassThrough;
  testfs::TempCurrentDirectory dir;
  emu::Machine machine;
  test_support::ScriptedClock clock{machine};
  MemoryLogFiles logFiles;
  MemoryLogReader logReader{logFiles};
  Options options;  // the command line's, set before Start
  std::vector<std::shared_ptr<emu::Drive>> drives;
  settings::IniProfile profile;
  RecordingShell shell{machine};
  ui::HeadlessBackend backend;
  std::unique_ptr<scsi::ScsiLayer> layer;
  std::unique_ptr<ui::TApplication> application;
  TForm1* form = nullptr;
};

// The systems a suite runs on: the NT family with the drives on letters (pass-through), and
// Windows 98 SE with the drives on the ASPI manager.
enum class System { Nt, Win98Se };

inline std::string SystemName(System system) { return system == System::Nt ? "Nt" : "Win98Se"; }

inline void RunOn(AppHarness& h, System system) {
  h.backEnd = system == System::Win98Se ? test_support::kAspi98Se : test_support::kPassThrough;
  h.profile.SetIntegerReading(system == System::Win98Se ? settings::IniProfile::IntegerReading::Win9x
                                                        : settings::IniProfile::IntegerReading::Nt);
}

// The program's OK report and the calls its reboot makes, as the tests of a run's end expect them.
inline constexpr char kUpdateOk[] = "Update OK. Please cloes all programs. This computer will be rebooted.";
// The NT family's restart; the consumer family's is the last call alone.
inline const std::vector<std::string> kRebootCalls = {"OpenProcessToken 40", "LookupPrivilegeValueA SeShutdownPrivilege",
                                                      "AdjustTokenPrivileges token 19 2", "CloseHandle token",
                                                      "ExitWindowsEx 2 0"};

// The restart calls on the given system, as the shell records them.
inline std::vector<std::string> RebootCallsOn(System system) {
  return system == System::Nt ? kRebootCalls : std::vector<std::string>{kRebootCalls.back()};
}

// Fires TimerPB until the run ends; returns the number of ticks it took.
inline int TicksUntilEnd(AppHarness& h, int limit = 300) {
  int ticks = 0;
  while (h.backend.TimerRunning(*h.form->TimerPB) && ticks < limit) {
    h.backend.FireTimer(*h.form->TimerPB);
    ++ticks;
  }
  return ticks;
}

}  // namespace app::testing
