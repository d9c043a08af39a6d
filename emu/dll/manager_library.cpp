// The stand-alone manager: configuration, entry points with their command log, and the drive files.
#include "emu/dll/manager_library.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace emu::dll {
namespace {

bool ReadWhole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

bool WriteWhole(const std::string& path, const void* bytes, size_t n) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

ManagerLibrary::ManagerLibrary(RealEvents& events, const std::string& configPath)
    : events_(events), host_(events), manager_(host_) {
  Load(configPath);
  host_.OnCompletion([this](platform::Handle event) { journal_.Completed(event, events_.TickMs()); });
}

ManagerLibrary::~ManagerLibrary() {
  manager_.Stop();
}

void ManagerLibrary::Load(const std::string& configPath) {
  ParseResult parsed;
  ReadConfigFile(configPath, parsed);
  errors_ = std::move(parsed.errors);
  config_ = std::move(parsed.config);
  if (!errors_.empty()) return Fail(configPath);

  const uint64_t start = events_.TickMs();
  targets_ = SetUpManager(config_, manager_, start);
  for (const NamedTarget& t : targets_) {
    if (t.drive != nullptr) drives_.push_back(DriveState{t, 0});
  }
  if (!journal_.Open(config_.logPath, start)) {
    errors_.push_back("cannot write the command log " + config_.logPath);
    return Fail(configPath);
  }
  // Every drive's files from the start: a drive that is never updated shows its flash even when the
  // process ends without the detach call that writes them once more.
  for (DriveState& d : drives_) WriteDriveFiles(d);
}

void ManagerLibrary::Fail(const std::string& configPath) {
  // A wrong file must not look like a machine without drives: the manager refuses to start.
  AspiOptions failed;
  failed.supportStatus = kSsFailedInit;
  manager_.SetOptions(failed);
  if (!configPath.empty()) WriteConfigErrors(configPath, errors_);
}

uint32_t ManagerLibrary::SupportInfo() const { return manager_.SupportInfo(); }

ManagerLibrary::DriveState* ManagerLibrary::DriveAt(int adapter, int target) {
  for (DriveState& d : drives_) {
    if (d.target.adapter == adapter && d.target.target == target) return &d;
  }
  return nullptr;
}

uint32_t ManagerLibrary::SendCommand(void* srb) {
  if (srb == nullptr) return manager_.SendCommand(srb);
  const uint8_t command = *static_cast<const uint8_t*>(srb);

  if (command == platform::kScAbortSrb) {
    void* toAbort = static_cast<platform::SrbAbort*>(srb)->SRB_ToAbort;
    const uint32_t status = manager_.SendCommand(srb);
    if (status == platform::kSsComp) journal_.End(toAbort, "ABORTED", events_.TickMs());
    return status;
  }
  if (command != platform::kScExecScsiCmd) return manager_.SendCommand(srb);

  auto* exec = static_cast<platform::SrbExecScsiCmd*>(srb);
  std::lock_guard lock(driveMutex_);
  // Listed before it is handed over: the completer may finish it before SendCommand returns.
  journal_.Begin(exec, TargetName(targets_, exec->SRB_HaId, exec->SRB_Target));
  const uint32_t status = manager_.SendCommand(srb);
  if (status != platform::kSsPending) {
    journal_.Answered(exec, events_.TickMs());
  } else if ((exec->SRB_Flags & platform::kSrbEventNotify) == 0) {
    journal_.End(exec, "POLLED", events_.TickMs());
  }
  // A drive changes its flash only when it commits a verified image, and every commit restarts it.
  if (DriveState* drive = DriveAt(exec->SRB_HaId, exec->SRB_Target)) {
    if (drive->target.drive->Restarts() != drive->restartsWritten) WriteDriveFiles(*drive);
  }
  return status;
}

int WriteDriveFiles(const std::string& outDir, const std::string& name, const Drive& drive) {
  const std::vector<uint8_t> flash = drive.Flash();
  const int restarts = drive.Restarts();
  WriteWhole(JoinPath(outDir, ManagerLibrary::FlashFileName(name)), flash.data(), flash.size());
  const std::string status = "revision " + drive.Revision() + "\nrestarts " + std::to_string(restarts) + "\n";
  WriteWhole(JoinPath(outDir, ManagerLibrary::StatusFileName(name)), status.data(), status.size());
  return restarts;
}

void WriteConfigErrors(const std::string& configPath, const std::vector<std::string>& errors) {
  std::string report;
  for (const std::string& e : errors) report += e + "\n";
  WriteWhole(configPath + ".errors", report.data(), report.size());
}

bool ReadConfigFile(const std::string& configPath, ParseResult& parsed) {
  std::string text;
  if (configPath.empty()) {
    parsed.errors.push_back("FLASH_EMU_CONFIG is not set");
  } else if (!ReadWhole(configPath, text)) {
    parsed.errors.push_back("cannot read " + configPath);
  } else {
    parsed = ParseConfig(text, DirectoryOf(configPath));
  }
  return parsed.Ok();
}

void ManagerLibrary::WriteDriveFiles(DriveState& state) {
  state.restartsWritten = dll::WriteDriveFiles(config_.outDir, state.target.name, *state.target.drive);
}

bool ManagerLibrary::Finish(std::chrono::milliseconds wait) {
  bool complete = journal_.Finish(events_.TickMs(), wait);
  std::unique_lock lock(driveMutex_, std::defer_lock);
  if (TryLockFor(lock, wait)) {
    for (DriveState& d : drives_) WriteDriveFiles(d);
  } else {
    complete = false;
  }
  return complete;
}

}  // namespace emu::dll
