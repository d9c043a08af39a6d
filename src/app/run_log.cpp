// Formatting of the run log's blocks and lines, and appending them to the file.
#include "app/run_log.h"

#include <cstdio>

#include "platform/win_types.h"
#include "scsi/commands.h"
#include "scsi/sense.h"
#include "settings/verify_checksum.h"

namespace app {
namespace {

constexpr char kEol[] = "\r\n";

// Every entry is one line, whatever the text it quotes.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      line += " / ";
    } else {
      line += c;
    }
  }
  return line;
}

std::string OutcomeText(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::Updated: return "updated";
    case RowOutcome::Refused: return "refused, wrong model";
    case RowOutcome::Failed: return "failed";
    case RowOutcome::VerifyFailed: return "verify failed";
  }
  return "failed";
}

std::string StepText(const update::JobRecord& job) {
  switch (job.step) {
    case update::FailStep::Open: return "at open";
    case update::FailStep::Identification: return "at INQUIRY";
    case update::FailStep::Readiness: return "at readiness";
    case update::FailStep::ParameterWrite: return "at parameter write";
    case update::FailStep::Block:
      return "at block " + std::to_string(job.block) + " of " + std::to_string(job.blockCount);
    case update::FailStep::Verification: return "at verification";
    case update::FailStep::Locked: return "at the exclusive lock";
    case update::FailStep::None: break;
  }
  return "at an unknown step";
}

std::string WindowsErrorText(uint32_t error) {
  std::string text = std::to_string(error);
  if (error == platform::kErrorAccessDenied) text += " (access denied)";
  if (error == platform::kErrorSharingViolation) text += " (sharing violation)";
  return text;
}

std::string BackEndText(scsi::BackEnd backEnd) {
  switch (backEnd) {
    case scsi::BackEnd::PassThrough:
      return "pass-through";
    case scsi::BackEnd::Aspi:
      return "ASPI";
    case scsi::BackEnd::None:
      break;
  }
  return "none";
}

// Fails every call as a missing file does; reached only through NoLogFiles.
class NullLogFiles final : public platform::FileIo {
 public:
  platform::Handle CreateFileA(const char*, uint32_t, uint32_t, uint32_t, uint32_t) override {
    return platform::kInvalidHandle;
  }
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override { return 0; }
  int ReadFile(platform::Handle, void*, uint32_t, uint32_t*) override { return 0; }
  uint32_t GetFileSize(platform::Handle) override { return 0xFFFFFFFFu; }
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override { return platform::kInvalidSetFilePointer; }
  int WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) override { return 0; }
  int CloseHandle(platform::Handle) override { return 0; }
  uint32_t GetLastError() override { return platform::kErrorFileNotFound; }
};

}  // namespace

std::string LockOwnerText(const std::string& owner) {
  return owner.empty() ? std::string("another program") : OneLine(owner);
}

std::string FormatLogTime(const platform::SystemTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.year}, unsigned{t.month},
                unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute}, unsigned{t.second});
  return text;
}

std::string DeviceAddress(scsi::BackEnd backEnd, int32_t deviceId) {
  if (deviceId < 0 || backEnd == scsi::BackEnd::None) return "?";
  if (backEnd == scsi::BackEnd::PassThrough) {
    if (deviceId < 'A' || deviceId > 'Z') return "?";
    return std::string(1, static_cast<char>(deviceId)) + ":";
  }
  return std::to_string(deviceId / 256) + ":" + std::to_string(deviceId % 256);
}

std::string FormatRowLine(const RunLogRow& row) {
  std::string line = "row " + std::to_string(row.row) + " | " + row.address + " | " + OneLine(row.name) + " | " +
                     OutcomeText(row.outcome);
  const update::JobRecord& job = row.job;
  // A failure names its step and the sense it left; a verification that read a whole but different
  // sum has no sense to show. The worker judged the verification and recorded its step; the
  // window's verify-failed outcome is that verdict, and a row's line names the step of its outcome
  // whatever record it is given, so the line never contradicts the outcome.
  if (row.outcome == RowOutcome::Failed && job.step == update::FailStep::Locked) {
    // Nothing was sent to the drive: there is no sense, only the program that held it.
    line += " | " + StepText(job) + " | held by " + LockOwnerText(job.lockOwner);
  } else if (row.outcome == RowOutcome::Failed || row.outcome == RowOutcome::VerifyFailed) {
    update::JobRecord shown = job;
    if (row.outcome == RowOutcome::VerifyFailed) shown.step = update::FailStep::Verification;
    line += " | " + StepText(shown);
    // An open fails with a Windows error, before any drive could leave sense.
    line += shown.step == update::FailStep::Open ? " | Windows error " + WindowsErrorText(shown.osError)
                                                 : " | sense " + scsi::SenseText(shown.sense);
    if (shown.cutShort) {
      line += " | short transfer";
      if (shown.moved) {
        line += ", " + std::to_string(*shown.moved) + " of " + std::to_string(scsi::kFirmwareBlockSize) + " bytes";
      }
    }
  }
  if (job.checksumRead) {
    line += " | checksum " + (job.checksumComplete ? settings::ChecksumText(job.checksum) : std::string("incomplete read"));
    if (row.reference) line += " (reference " + settings::ChecksumText(*row.reference) + ")";
  }
  return line + " | " + std::to_string(job.durationSeconds) + " s";
}

std::string FormatRunStart(const platform::SystemTime& start, const std::vector<RunStartRow>& rows) {
  std::string text = kRunStartedMark + FormatLogTime(start) + kEol;
  for (const RunStartRow& row : rows) {
    text += "row " + std::to_string(row.row) + " | " + row.address + " | " + OneLine(row.name) + kEol;
  }
  return text;
}

std::string FormatRunBlock(const RunLogBlock& block) {
  std::string text = kRunBlockMark + FormatLogTime(block.start) + " to " + FormatLogTime(block.end) + kEol;
  text += "caption | " + OneLine(block.caption) + kEol;
  text += "back end | " + BackEndText(block.backEnd) + kEol;
  for (const RunLogRow& row : block.rows) text += FormatRowLine(row) + kEol;
  text += "report | " + OneLine(block.report) + kEol;
  return text;
}

std::string FormatGetCsLine(const platform::SystemTime& time, const std::string& address, uint16_t checksum,
                            bool complete) {
  std::string line = FormatLogTime(time) + " Get CS | " + address + " | checksum " + settings::ChecksumText(checksum) + " (" +
                     std::to_string(checksum) + ")";
  if (!complete) line += " | incomplete read";
  return line + kEol;
}

std::string FormatArgDrvLine(const platform::SystemTime& time, int placed, int driveCount,
                             const std::vector<std::string>& rowAddresses) {
  std::string line = FormatLogTime(time) + " ArgDrv | " + std::to_string(placed) + " of " +
                     std::to_string(driveCount) + " placed";
  for (std::size_t row = 0; row < rowAddresses.size(); ++row) {
    line += (row == 0 ? " | " : ", ") + std::string("row ") + std::to_string(row) + " " + rowAddresses[row];
  }
  return line + kEol;
}

std::string FormatMessageLine(const platform::SystemTime& time, const std::string& text) {
  return FormatLogTime(time) + " message | " + OneLine(text) + kEol;
}

bool AppendToLog(platform::FileIo& files, const std::string& path, const std::string& text) {
  if (path.empty()) return false;
  const platform::Handle file = files.CreateFileA(path.c_str(), platform::kGenericWrite, platform::kFileShareRead,
                                                  platform::kOpenAlways, platform::kFileAttributeNormal);
  if (file == platform::kInvalidHandle || file == 0) return false;
  bool ok = files.SetFilePointer(file, 0, platform::kFileEnd) != platform::kInvalidSetFilePointer;
  uint32_t written = 0;
  if (ok) {
    ok = files.WriteFile(file, text.data(), static_cast<uint32_t>(text.size()), &written) != 0 &&
         written == text.size();
  }
  files.CloseHandle(file);
  return ok;
}

platform::FileIo& NoLogFiles() {
  static NullLogFiles files;
  return files;
}

std::string DefaultLogPath(const std::string& startupDirectory) {
  if (startupDirectory.empty()) return std::string(".\\") + kLogFileName;
  const char last = startupDirectory.back();
  if (last == '\\' || last == '/') return startupDirectory + kLogFileName;
  return startupDirectory + "\\" + kLogFileName;
}

}  // namespace app
