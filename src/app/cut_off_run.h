// A run cut off before its end (power lost, the program killed) leaves its start record in the
// run log without the run's block after it. At the next start the program finds it, tells the
// user once which drives may hold half-written firmware, and notes in the log that it has told.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace app {

struct CutOffRun {
  std::string started;             // the start record's time, as logged
  std::vector<std::string> rows;   // its row lines, as logged
};

// Reads the log line by line as it is handed in pieces; keeps only what the last start record
// needs, whatever the log's size or content.
class CutOffRunScanner {
 public:
  void Feed(const char* data, std::size_t size);
  // The last start record that neither a run's block nor a notice followed.
  std::optional<CutOffRun> Finish();

 private:
  void Line(const std::string& line);

  std::string partial_;
  std::optional<CutOffRun> pending_;
  bool collectingRows_ = false;
};

std::optional<CutOffRun> FindCutOffRun(const std::string& logText);
// The log as the reader gives it; nothing when it cannot be opened or read.
std::optional<CutOffRun> FindCutOffRun(platform::FileIo& reader, const std::string& path);

// At start-up, with unit Main running: tells of a cut-off run in the run log (a box, or
// unattended a log line) and marks it told. A log that cannot be read tells nothing.
void NoticeCutOffRun();

std::string CutOffRunNotice(const CutOffRun& run);
// The line that marks the record as told, so that the next start stays silent.
std::string FormatCutOffNoticedLine(const platform::SystemTime& time, const CutOffRun& run);

}  // namespace app
