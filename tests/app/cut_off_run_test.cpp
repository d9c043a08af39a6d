// A run cut off before its end: its start record stays in the run log without the run's block,
// and the next start tells the user once which drives may hold half-written firmware.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/cut_off_run.h"
#include "app/program.h"
#include "app_harness.h"
#include "scsi/cdb.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kStart = "==== run started 2026-12-10 09:05:07\r\nrow 0 | 0:0 | TEVOR   DVD RW KMR5133  1.00\r\n";
const std::string kEnd =
    "==== update run 2026-12-10 09:05:07 to 2026-12-10 09:06:38\r\ncaption | X\r\nback end | ASPI\r\n"
    "row 0 | 0:0 | TEVOR   DVD RW KMR5133 | updated | 61 s\r\nreport | Update OK.\r\n";
const std::string kNoticed = "2026-12-10 10:00:00 cut-off run noticed | started 2026-12-10 09:05:07\r\n";
const std::string kGetCs = "2026-12-10 10:01:00 Get CS | 0:0 | checksum 1244h (4676)\r\n";

struct ScanCase {
  const char* name;
  std::string log;
  bool found;
};

const ScanCase kScans[] = {
    {"EmptyLog", "", false},
    {"StartWithoutEnd", kStart, true},
    {"StartAndItsBlock", kStart + kEnd, false},
    {"CutOffThenARunThatEnded", kStart + kStart + kEnd, false},
    {"AlreadyNoticed", kStart + kNoticed, false},
    {"OtherLinesDoNotEndIt", kStart + kGetCs, true},
    {"EndedThenCutOff", kEnd + kStart, true},
    {"BareLineFeedsAndNoFinalNewline", "==== run started 2026-12-10 09:05:07\nrow 0 | 0:0 | TEVOR", true},
    {"OnlyAnEndBlock", kEnd, false},
};

class Scan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scan, FindsOnlyAStartRecordWithoutItsEnd) {
  const auto run = FindCutOffRun(GetParam().log);
  ASSERT_EQ(run.has_value(), GetParam().found);
  if (run) {
    EXPECT_EQ(run->started, "2026-12-10 09:05:07");
    ASSERT_EQ(run->rows.size(), 1u);
    EXPECT_EQ(run->rows[0].rfind("row 0 | 0:0 | TEVOR", 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Logs, Scan, ::testing::ValuesIn(kScans), [](const auto& tp) { return std::string(tp.param.name); });

// Bad input never grows what is kept: rows beyond ten and overlong lines are cut.
TEST(ScanLimits, RowsAndLinesAreBounded) {
  std::string log = "==== run started 2026-12-10 09:05:07\r\n";
  for (int i = 0; i < 500; ++i) log += "row " + std::string(5000, 'x') + "\r\n";
  const auto run = FindCutOffRun(log);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->rows.size(), 10u);
  for (const auto& row : run->rows) EXPECT_LE(row.size(), 1024u);
}

// The log is read in pieces; one larger than a piece is read whole, and one that cannot be read
// tells nothing.
TEST(ScanReader, ReadsALargeLogAndIgnoresOneThatCannotBeRead) {
  testing::MemoryLogFiles files;
  testing::MemoryLogReader reader(files);
  files.files["C:\\FLASH.LOG"] = std::string(200000, '.') + "\r\n" + kEnd + kStart;
  EXPECT_TRUE(FindCutOffRun(reader, "C:\\FLASH.LOG"));
  EXPECT_FALSE(FindCutOffRun(reader, "C:\\OTHER.LOG"));
  reader.failReads = true;
  EXPECT_FALSE(FindCutOffRun(reader, "C:\\FLASH.LOG"));
}

// Block 11 fails and the worker then sits in its restart wait: a program ended there (killed, or
// the power gone) leaves the start record after ten written blocks, and no block of the run.
void RunCutOffAfterBlock10(AppHarness& h) {
  h.AddDrive();
  h.drives[0]->FailNth(scsi::cdb::kOpWriteFirmwareBlock, 11, {0x03, 0x0C, 0x00});
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  for (int i = 0; i < 1000 && h.drives[0]->Log().size() < 14; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  h.Stop();
}

int WriteCommands(const AppHarness& h) {
  int writes = 0;
  for (const auto& cmd : h.drives[0]->Log()) writes += cmd.cdb[0] == scsi::cdb::kOpWriteFirmwareBlock ? 1 : 0;
  return writes;
}

TEST(CutOffRun, TheNextStartTellsOnceWhichDrivesMayBeHalfWritten) {
  AppHarness h;
  RunCutOffAfterBlock10(h);
  EXPECT_EQ(WriteCommands(h), 11);
  const std::string cutOff = h.LogText();
  EXPECT_EQ(cutOff, "==== run started 2026-12-10 00:00:00\r\nrow 0 | D: | TEVOR   DVD RW KMR5133  1.00\r\n");

  h.backend.ClearMessageBoxes();
  for (int start = 0; start < 2; ++start) {
    scsi::ScsiLayer layer(h.machine.Platform());
    EXPECT_EQ(RunProgram(h.backend, h.ProgramMachine(layer), ""), 0);
  }
  ASSERT_EQ(h.BoxTexts().size(), 1u) << "told once, not at every start";
  EXPECT_EQ(h.BoxTexts()[0],
            "The update run started 2026-12-10 00:00:00 did not end: the program or the computer stopped while it "
            "ran. These drives may hold half-written firmware:\nrow 0 | D: | TEVOR   DVD RW KMR5133  1.00\n"
            "Flash them again before you use them.");
  EXPECT_TRUE(Contains(h.LogText(), " cut-off run noticed | started 2026-12-10 00:00:00\r\n")) << h.LogText();
}

TEST(CutOffRun, UnattendedTheNoticeIsLogged) {
  AppHarness h;
  RunCutOffAfterBlock10(h);
  h.backend.ClearMessageBoxes();
  scsi::ScsiLayer layer(h.machine.Platform());
  h.drives[0]->ClearFaults();
  RunProgram(h.backend, h.ProgramMachine(layer), "/AUTO");
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_TRUE(Contains(h.LogText(), " message | The update run started 2026-12-10 00:00:00 did not end: ")) << h.LogText();
}

// A run that ended leaves no notice, and neither does a log that could not be written.
TEST(CutOffRun, AnEndedRunOrAnUnwritableLogTellsNothing) {
  for (const bool writable : {true, false}) {
    AppHarness h;
    h.AddDrive();
    if (!writable) h.logFiles.failure = testing::MemoryLogFiles::Failure::Open;
    h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
    TForm1& form = h.Start();
    form.ButtonFlashClick(nullptr);
    h.WaitForWorkers();
    testing::TicksUntilEnd(h);
    h.Stop();
    h.backend.ClearMessageBoxes();
    scsi::ScsiLayer layer(h.machine.Platform());
    RunProgram(h.backend, h.ProgramMachine(layer), "");
    EXPECT_TRUE(h.backend.MessageBoxes().empty()) << h.BoxTexts()[0];
  }
}

}  // namespace
}  // namespace app
