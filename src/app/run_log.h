// The run log (FLASH.LOG): plain text with CRLF lines, only ever appended to. An update run adds
// one block; Get CS, ArgDrv and, in unattended mode, every message add one line each. Formatting
// works on plain records so it is tested without a window; appending goes through the platform
// boundary and never reports a failure to anyone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scsi/types.h"
#include "update/job_record.h"

namespace app {

inline constexpr char kLogFileName[] = "FLASH.LOG";

enum class RowOutcome { Updated, Refused, Failed, VerifyFailed };

struct RunLogRow {
  int row = 0;
  std::string address;  // "E:" or "0:1"
  std::string name;     // the drive's INQUIRY name (DriveNames)
  RowOutcome outcome = RowOutcome::Updated;
  update::JobRecord job;  // the worker's record of this run's job
  std::optional<uint16_t> reference;  // the reference checksum when verification was on
};

struct RunLogBlock {
  platform::SystemTime start;
  platform::SystemTime end;
  std::string caption;
  scsi::BackEnd backEnd = scsi::BackEnd::None;
  std::vector<RunLogRow> rows;  // ticked rows, in row order
  std::string report;           // the report text shown (or, unattended, logged)
};

// "YYYY-MM-DD HH:MM:SS".
std::string FormatLogTime(const platform::SystemTime& time);
// A pass-through device by its drive letter ("E:"), an ASPI one as adapter:target ("0:1"); "?" for
// an id that is neither, and on no back end (which lists no device).
std::string DeviceAddress(scsi::BackEnd backEnd, int32_t deviceId);

// The record written before the first command of a run's first job; the run's block follows at
// its end. A record without that block (the program or the computer stopped mid-run) is found at
// the next start (cut_off_run.h). name: the row as the window shows it, revision included.
struct RunStartRow {
  int row = 0;
  std::string address;
  std::string name;
};
inline constexpr char kRunStartedMark[] = "==== run started ";
inline constexpr char kRunBlockMark[] = "==== update run ";
std::string FormatRunStart(const platform::SystemTime& start, const std::vector<RunStartRow>& rows);

std::string FormatRunBlock(const RunLogBlock& block);
std::string FormatRowLine(const RunLogRow& row);
// The program that held a drive's exclusive lock, as the report and the log name it.
std::string LockOwnerText(const std::string& owner);
std::string FormatGetCsLine(const platform::SystemTime& time, const std::string& address, uint16_t checksum,
                            bool complete);
// rowAddresses: the address placed in each row, in row order.
std::string FormatArgDrvLine(const platform::SystemTime& time, int placed, int driveCount,
                             const std::vector<std::string>& rowAddresses);
std::string FormatMessageLine(const platform::SystemTime& time, const std::string& text);

// Appends text at the end of the file, creating it when missing. False when anything failed; the
// caller ignores that: a log that cannot be written must not change what the program does.
bool AppendToLog(platform::FileIo& files, const std::string& path, const std::string& text);

// The log's files of a program that keeps none: every open fails, so nothing is written and
// nothing is read back.
platform::FileIo& NoLogFiles();

// The default log: FLASH.LOG in the start-up directory.
std::string DefaultLogPath(const std::string& startupDirectory);

}  // namespace app
