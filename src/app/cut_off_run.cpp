// Finding a cut-off run in the run log, and what the user is told of it.
#include "app/cut_off_run.h"

#include "app/bench_mode.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "app/run_log.h"

namespace app {
namespace {

constexpr char kNoticedMark[] = " cut-off run noticed | started ";
constexpr std::size_t kMaxLine = 1024;  // longer lines are cut; the log's own are far shorter
constexpr std::size_t kMaxRows = kRows;  // a run-start record lists at most the window's rows
constexpr uint32_t kReadChunk = 64 * 1024;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

void CutOffRunScanner::Feed(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\n') {
      Line(partial_);
      partial_.clear();
    } else if (c != '\r' && partial_.size() < kMaxLine) {
      partial_ += c;
    }
  }
}

std::optional<CutOffRun> CutOffRunScanner::Finish() {
  if (!partial_.empty()) Line(partial_);
  partial_.clear();
  return pending_;
}

void CutOffRunScanner::Line(const std::string& line) {
  if (StartsWith(line, kRunStartedMark)) {
    pending_ = CutOffRun{line.substr(std::char_traits<char>::length(kRunStartedMark)), {}};
    collectingRows_ = true;
    return;
  }
  if (collectingRows_ && pending_ && StartsWith(line, "row ")) {
    if (pending_->rows.size() < kMaxRows) pending_->rows.push_back(line);
    return;
  }
  collectingRows_ = false;
  if (StartsWith(line, kRunBlockMark) || line.find(kNoticedMark) != std::string::npos) pending_.reset();
}

std::optional<CutOffRun> FindCutOffRun(const std::string& logText) {
  CutOffRunScanner scanner;
  scanner.Feed(logText.data(), logText.size());
  return scanner.Finish();
}

std::optional<CutOffRun> FindCutOffRun(platform::FileIo& reader, const std::string& path) {
  if (path.empty()) return std::nullopt;
  const platform::Handle file =
      reader.CreateFileA(path.c_str(), platform::kGenericRead, platform::kFileShareRead | platform::kFileShareWrite,
                         platform::kOpenExisting, platform::kFileAttributeNormal);
  if (file == platform::kInvalidHandle || file == 0) return std::nullopt;
  CutOffRunScanner scanner;
  std::string chunk(kReadChunk, '\0');
  bool ok = true;
  for (;;) {
    uint32_t got = 0;
    if (reader.ReadFile(file, chunk.data(), kReadChunk, &got) == 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    scanner.Feed(chunk.data(), got > kReadChunk ? kReadChunk : got);
  }
  reader.CloseHandle(file);
  // A log read only in part may hide the block that ended the run: say nothing rather than alarm.
  if (!ok) return std::nullopt;
  return scanner.Finish();
}

void NoticeCutOffRun() {
  if (!MainUnit::Running()) return;
  MainUnit& unit = MainUnit::Current();
  const std::optional<CutOffRun> run = FindCutOffRun(unit.machine.logReader, unit.logPath);
  if (!run) return;
  // Marked first: a box may wait long, and the program may be ended while it does.
  AppendLog(FormatCutOffNoticedLine(LogNow(), *run));
  Notify(CutOffRunNotice(*run));
}

std::string CutOffRunNotice(const CutOffRun& run) {
  std::string text = "The update run started " + run.started +
                     " did not end: the program or the computer stopped while it ran. These drives may hold "
                     "half-written firmware:";
  for (const std::string& row : run.rows) text += "\n" + row;
  return text + "\nFlash them again before you use them.";
}

std::string FormatCutOffNoticedLine(const platform::SystemTime& time, const CutOffRun& run) {
  return FormatLogTime(time) + kNoticedMark + run.started + "\r\n";
}

}  // namespace app
