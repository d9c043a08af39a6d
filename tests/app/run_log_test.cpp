// The bench's plain parts: command-line options and exit statuses, the run log's
// lines against a fixture, and appends that fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "app/run_log.h"
#include "app_harness.h"

namespace app {
namespace {

struct OptionsCase {
  std::string line;
  bool autoRun;
  bool reboot;
  std::string logPath;
  std::vector<std::string> unknown;
};

TEST(Options, ParsesInAnyOrderAndCase) {
  const OptionsCase cases[] = {
      {"", false, false, "", {}},
      {"/AUTO", true, false, "", {}},
      {"/auto /Reboot", true, true, "", {}},
      {"  /REBOOT\t/AuTo  ", true, true, "", {}},
      {"/LOG=C:\\bench\\run.log /AUTO", true, false, "C:\\bench\\run.log", {}},
      {"/log=\"C:\\Bench 1\\run.log\"", false, false, "C:\\Bench 1\\run.log", {}},
      {"\"/LOG=D:\\a b.log\" /auto", true, false, "D:\\a b.log", {}},
      {"/AUTO /FAST", true, false, "", {"/FAST"}},
      {"/LOG=", false, false, "", {"/LOG="}},
      {"AUTO -auto /AUTOMATIC", false, false, "", {"AUTO", "-auto", "/AUTOMATIC"}},
      {"\"\"", false, false, "", {""}},
  };
  for (const OptionsCase& c : cases) {
    const Options o = ParseOptions(c.line);
    EXPECT_EQ(o.autoRun, c.autoRun) << c.line;
    EXPECT_EQ(o.reboot, c.reboot) << c.line;
    EXPECT_EQ(o.logPath, c.logPath) << c.line;
    EXPECT_EQ(o.unknown, c.unknown) << c.line;
  }
  const std::string usage = OptionsUsage({"/FAST"});
  for (const char* part : {"/FAST", "/AUTO", "/REBOOT", "/LOG=path"}) {
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  }
}

TEST(Options, ExitStatusOfAnUnattendedRun) {
  struct Case {
    RunCounts counts;
    int status;
  };
  const Case cases[] = {
      {{0, 0, 0}, kExitNoDrive}, {{3, 0, 0}, kExitAllUpdated}, {{2, 1, 0}, kExitRefused},
      {{0, 1, 1}, kExitRefused}, {{1, 0, 1}, kExitFailed},     {{0, 0, 2}, kExitFailed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnattendedExitStatus(c.counts), c.status)
        << c.counts.updated << " " << c.counts.refused << " " << c.counts.failed;
  }
  EXPECT_EQ(kExitAllUpdated, 0);
  EXPECT_EQ(kExitRefused, 2);
  EXPECT_EQ(kExitFailed, 3);
  EXPECT_EQ(kExitNoDrive, 4);
  EXPECT_EQ(kExitBadOption, 5);
}

platform::SystemTime At(uint16_t h, uint16_t m, uint16_t s) { return {2026, 12, 4, 10, h, m, s, 0}; }

update::JobRecord Job(update::FailStep step, scsi::SenseCode sense, uint32_t seconds, int32_t block = 0) {
  update::JobRecord job;
  job.step = step;
  job.sense = sense;
  job.block = block;
  job.blockCount = 49;
  job.durationSeconds = seconds;
  return job;
}

update::JobRecord Checked(update::JobRecord job, uint16_t checksum, bool complete) {
  job.checksumRead = true;
  job.checksum = checksum;
  job.checksumComplete = complete;
  return job;
}

TEST(RunLog, BlockWithEveryLineKind) {
  using update::FailStep;
  RunLogBlock block;
  block.start = At(9, 5, 7);
  block.end = At(9, 6, 38);
  block.caption = "Tolvarine V0.60 by Tevor PMXT-II";
  block.backEnd = scsi::BackEnd::Aspi;
  block.rows = {
      {0, "0:1", "TEVOR   DVD RW KMR5133", RowOutcome::Updated, Checked(Job(FailStep::None, 0, 61), 0x1244, true), 0x1244},
      {1, "0:2", "TEVOR   DVD RW KMR5133", RowOutcome::VerifyFailed,
       Checked(Job(FailStep::None, 0, 61), 0x1243, true), 0x1244},
      {2, "0:3", "TEVOR   DVD RW KMR5133", RowOutcome::VerifyFailed,
       Checked(Job(FailStep::Verification, 0x031100, 62), 0, false), 0x1244},
      {3, "0:4", "ACME    WRITER", RowOutcome::Refused, Job(FailStep::None, 0, 0), 0x1244},
      {4, "0:5", "TEVOR   HTL6190", RowOutcome::Failed, Job(FailStep::Readiness, 0x023A02, 0), 0x1244},
      {5, "0:6", "TEVOR   HTL6190", RowOutcome::Failed, Job(FailStep::ParameterWrite, 0x052400, 0), 0x1244},
      {6, "0:7", "TEVOR   DVD RW KMR5133", RowOutcome::Failed, Job(FailStep::Block, 0x030C00, 60, 5), 0x1244},
      {7, "1:0", "TEVOR   DVD RW KMR5133", RowOutcome::Failed, Job(FailStep::Block, 0, 60, 49), 0x1244},
  };
  block.report = "Update X(Verify failed)  NG. Please cloes all programs. This computer will be rebooted.";
  const std::string expected =
      "==== update run 2026-12-10 09:05:07 to 2026-12-10 09:06:38\r\n"
      "caption | Tolvarine V0.60 by Tevor PMXT-II\r\n"
      "back end | ASPI\r\n"
      "row 0 | 0:1 | TEVOR   DVD RW KMR5133 | updated | checksum 1244h (reference 1244h) | 61 s\r\n"
      "row 1 | 0:2 | TEVOR   DVD RW KMR5133 | verify failed | at verification | sense no sense"
      " | checksum 1243h (reference 1244h) | 61 s\r\n"
      "row 2 | 0:3 | TEVOR   DVD RW KMR5133 | verify failed | at verification"
      " | sense 03/11/00 unrecovered read error | checksum incomplete read (reference 1244h) | 62 s\r\n"
      "row 3 | 0:4 | ACME    WRITER | refused, wrong model | 0 s\r\n"
      "row 4 | 0:5 | TEVOR   HTL6190 | failed | at readiness | sense 02/3A/02 medium not present, tray open | 0 s\r\n"
      "row 5 | 0:6 | TEVOR   HTL6190 | failed | at parameter write | sense 05/24/00 invalid field in CDB | 0 s\r\n"
      "row 6 | 0:7 | TEVOR   DVD RW KMR5133 | failed | at block 5 of 49 | sense 03/0C/00 write error | 60 s\r\n"
      "row 7 | 1:0 | TEVOR   DVD RW KMR5133 | failed | at block 49 of 49 | sense no sense | 60 s\r\n"
      "report | Update X(Verify failed)  NG. Please cloes all programs. This computer will be rebooted.\r\n";
  EXPECT_EQ(FormatRunBlock(block), expected);

  block.backEnd = scsi::BackEnd::PassThrough;
  block.rows = {{0, DeviceAddress(scsi::BackEnd::PassThrough, 'E'), "TEVOR   DVD RW KMR5133", RowOutcome::Updated,
                 Job(FailStep::None, 0, 61), std::nullopt}};
  block.report = "Update OK.\r\nSecond line";
  EXPECT_EQ(FormatRunBlock(block),
            "==== update run 2026-12-10 09:05:07 to 2026-12-10 09:06:38\r\n"
            "caption | Tolvarine V0.60 by Tevor PMXT-II\r\n"
            "back end | pass-through\r\n"
            "row 0 | E: | TEVOR   DVD RW KMR5133 | updated | 61 s\r\n"
            "report | Update OK. / Second line\r\n");
}

TEST(RunLog, ServiceAndMessageLines) {
  EXPECT_EQ(FormatGetCsLine(At(23, 59, 59), "E:", 0x1244, true),
            "2026-12-10 23:59:59 Get CS | E: | checksum 1244h (4676)\r\n");
  EXPECT_EQ(FormatGetCsLine(At(0, 0, 1), "0:1", 0x00FF, false),
            "2026-12-10 00:00:01 Get CS | 0:1 | checksum 00FFh (255) | incomplete read\r\n");
  EXPECT_EQ(FormatArgDrvLine(At(8, 0, 0), 2, 3, {"0:1", "0:0"}),
            "2026-12-10 08:00:00 ArgDrv | 2 of 3 placed | row 0 0:1, row 1 0:0\r\n");
  EXPECT_EQ(FormatArgDrvLine(At(8, 0, 0), 0, 1, {}), "2026-12-10 08:00:00 ArgDrv | 0 of 1 placed\r\n");
  EXPECT_EQ(FormatMessageLine(At(8, 0, 0), "No drive is selected"),
            "2026-12-10 08:00:00 message | No drive is selected\r\n");
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::Aspi, 2 * 256 + 15), "2:15");
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::PassThrough, 'D'), "D:");
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::PassThrough, 7), "?");
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::Aspi, -1), "?");
  EXPECT_EQ(DefaultLogPath("C:\\Bench"), "C:\\Bench\\FLASH.LOG");
  EXPECT_EQ(DefaultLogPath("C:\\"), "C:\\FLASH.LOG");
  EXPECT_EQ(DefaultLogPath(""), ".\\FLASH.LOG");
}

// A platform of neither family has no back end and lists no drive; the log says so rather than
// naming a transport that was never used.
TEST(RunLog, NoBackEndIsLoggedAsNone) {
  RunLogBlock block;
  block.start = At(9, 5, 7);
  block.end = At(9, 5, 8);
  block.caption = "caption";
  block.backEnd = scsi::BackEnd::None;
  EXPECT_NE(FormatRunBlock(block).find("\r\nback end | none\r\n"), std::string::npos) << FormatRunBlock(block);
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::None, 'E'), "?");
  EXPECT_EQ(DeviceAddress(scsi::BackEnd::None, 1), "?");
}

TEST(RunLog, AppendsAndReportsEveryFailureWithoutThrowing) {
  using Failure = testing::MemoryLogFiles::Failure;
  testing::MemoryLogFiles files;
  EXPECT_TRUE(AppendToLog(files, "a.log", "one\r\n"));
  EXPECT_TRUE(AppendToLog(files, "a.log", "two\r\n"));
  EXPECT_EQ(files.files["a.log"], "one\r\ntwo\r\n");
  EXPECT_FALSE(AppendToLog(files, "", "x"));
  for (Failure failure : {Failure::Open, Failure::Seek, Failure::Write, Failure::ShortWrite}) {
    files.failure = failure;
    EXPECT_FALSE(AppendToLog(files, "a.log", "three\r\n"));
  }
  EXPECT_EQ(files.opens, files.closes + 1);  // every opened file was closed; the failed open had none
}

}  // namespace
}  // namespace app
