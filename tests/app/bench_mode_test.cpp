// The bench additions in the window, on emulated drives: verification against the reference
// checksum, the run log written at the end of a run (also when it cannot be written), the log
// lines of Get CS and ArgDrv, the unattended mode's exit statuses and reboot, and unknown options.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/program.h"
#include "app_harness.h"
#include "scsi/cdb.h"
#include "settings/verify_checksum.h"
#include "ui/colors.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;
using testing::kRebootCalls;
using testing::kUpdateOk;
using testing::DriveSpec;
using testing::RebootCallsOn;
using testing::System;
using testing::SystemName;

// What every drive updated with the embedded image reads back: its 49 blocks, the rest of the
// flash erased, the identity area left out of the sum.
constexpr uint16_t kReference = 0x1244;
const std::string kName = "TEVOR   DVD RW KMR5133";
const DriveSpec kAccepted{};
const DriveSpec kCorrupting{"TEVOR", "DVD RW KMR5133", "1.00", true};
const DriveSpec kWrongVendor{"ACME", "WRITER", "9.99"};


int FlashReads(const emu::Drive& drive) {
  const auto log = drive.Log();
  return static_cast<int>(std::count_if(log.begin(), log.end(), [](const emu::CommandRecord& c) {
    return c.cdb[0] == scsi::cdb::kOpVendor && c.cdb[1] == 0x15;
  }));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void RunToEnd(AppHarness& h) {
  h.form->ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  TicksUntilEnd(h);
}

struct VerifyCase {
  std::string name;
  std::string ini;
  std::vector<DriveSpec> drives;
  std::function<void(AppHarness&)> faults;
  std::vector<std::string> startupBoxes;
  bool checksumRead;
  std::vector<ui::TColor> colours;
  std::string report;
  std::vector<std::string> logRows;
};

void NoFaults(AppHarness&) {}

const VerifyCase kVerifyCases[] = {
    {"ReferenceEqual", "[VERIFY]\r\nCHECKSUM=1244h\r\n", {kAccepted, kAccepted}, NoFaults, {}, true,
     {ui::clGreen, ui::clGreen}, kUpdateOk,
     {"row 0 | D: | " + kName + " | updated | checksum 1244h (reference 1244h) | 60 s",
      "row 1 | E: | " + kName + " | updated | checksum 1244h (reference 1244h) | 60 s"}},
    {"ReferenceEqualDecimal", "[VERIFY]\r\nCHECKSUM=4676\r\n", {kAccepted}, NoFaults, {}, true, {ui::clGreen},
     kUpdateOk, {"row 0 | D: | " + kName + " | updated | checksum 1244h (reference 1244h) | 60 s"}},
    {"CorruptedFlashDiffers", "[VERIFY]\r\nCHECKSUM=1244h\r\n", {kAccepted, kCorrupting}, NoFaults, {}, true,
     {ui::clGreen, ui::clRed},
     "Update " + kName + "(Verify failed)  NG. Please cloes all programs. This computer will be rebooted.",
     {"row 0 | D: | " + kName + " | updated | checksum 1244h (reference 1244h) | 60 s",
      "row 1 | E: | " + kName + " | verify failed | at verification | sense no sense | checksum 1145h (reference 1244h) | 60 s"}},
    {"OtherReferenceFailsEveryDrive", "[VERIFY]\r\nCHECKSUM=1245h\r\n", {kAccepted}, NoFaults, {}, true, {ui::clRed},
     "Update " + kName + "(Verify failed)  NG.",
     {"row 0 | D: | " + kName + " | verify failed | at verification | sense no sense | checksum 1244h (reference 1245h) | 60 s"}},
    {"ReadFailing", "[VERIFY]\r\nCHECKSUM=1244h\r\n", {kAccepted},
     [](AppHarness& h) { h.drives[0]->FailAll(scsi::cdb::kOpVendor, {0x03, 0x11, 0x00}); }, {}, true, {ui::clRed},
     "Update " + kName + "(Verify failed)  NG.",
     {"row 0 | D: | " + kName +
      " | verify failed | at verification | sense 03/11/00 unrecovered read error | checksum incomplete read (reference 1244h) | 60 s"}},
    {"KeyAbsent", "", {kAccepted, kCorrupting}, NoFaults, {}, false, {ui::clGreen, ui::clGreen}, kUpdateOk,
     {"row 0 | D: | " + kName + " | updated | 60 s", "row 1 | E: | " + kName + " | updated | 60 s"}},
    {"KeyInvalidDecimal", "[VERIFY]\r\nCHECKSUM=70000\r\n", {kAccepted},
     NoFaults, {settings::InvalidVerifyMessage("70000")}, false, {ui::clGreen}, kUpdateOk,
     {"row 0 | D: | " + kName + " | updated | 60 s"}},
    {"KeyInvalidHex", "[VERIFY]\r\nCHECKSUM=12G4h\r\n", {kAccepted}, NoFaults,
     {settings::InvalidVerifyMessage("12G4h")}, false, {ui::clGreen}, kUpdateOk,
     {"row 0 | D: | " + kName + " | updated | 60 s"}},
};

class Verification : public ::testing::TestWithParam<VerifyCase> {};

TEST_P(Verification, JudgesEachUpdatedDriveByItsChecksum) {
  const VerifyCase& c = GetParam();
  AppHarness h;
  for (const DriveSpec& d : c.drives) h.AddDrive(d);
  c.faults(h);
  h.WriteIni(c.ini);
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  EXPECT_EQ(h.BoxTexts(), c.startupBoxes);
  h.backend.ClearMessageBoxes();
  RunToEnd(h);

  std::vector<ui::TColor> colours;
  for (std::size_t i = 0; i < c.colours.size(); ++i) colours.push_back(form.rows[i]->Font().Color());
  EXPECT_EQ(colours, c.colours);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{c.report});
  for (const auto& drive : h.drives) {
    EXPECT_EQ(FlashReads(*drive) > 0, c.checksumRead);
    EXPECT_EQ(drive->Restarts(), 1);  // every drive took the image; verification judges what it holds
  }
  const std::string log = h.LogText();
  for (const std::string& row : c.logRows) EXPECT_TRUE(Contains(log, row + "\r\n")) << row << "\n" << log;
  EXPECT_TRUE(Contains(log, "report | " + c.report + "\r\n")) << log;
}

INSTANTIATE_TEST_SUITE_P(Cases, Verification, ::testing::ValuesIn(kVerifyCases),
                         [](const auto& tp) { return tp.param.name; });

TEST(RunLogInWindow, EachRunAppendsOneBlockAndFailuresNameStepAndSense) {
  AppHarness h;
  h.AddDrive(kAccepted);
  h.AddDrive(kWrongVendor);
  h.AddDrive(kAccepted);
  h.drives[2]->FailNth(scsi::cdb::kOpWriteFirmwareBlock, 5, {0x03, 0x0C, 0x00});
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  h.Start();
  h.form->ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  h.clock.Sleep(90900);  // the window thread's time of the run's 101 ticks
  TicksUntilEnd(h);
  const std::string first = h.LogText();
  const std::string report = "Update ACME    WRITER(Wrong Drive, Can't flash)  " + kName + "(Update failed)  NG.";
  // The window thread's virtual clock: the run started at 00:00:00 and ended 90.9 s later. Each
  // job's duration is its worker's own: the one-minute restart wait and its commands.
  // The start record comes before the first command; the run's block at its end.
  const std::string expected =
      "==== run started 2026-12-10 00:00:00\r\n"
      "row 0 | D: | " + kName + "  1.00\r\n"
      "row 1 | E: | ACME    WRITER          9.99\r\n"
      "row 2 | F: | " + kName + "  1.00\r\n"
      "==== update run 2026-12-10 00:00:00 to 2026-12-10 00:01:30\r\n"
      "caption | Tolvarine V0.60 by Tevor PMXT-II\r\n"
      "back end | pass-through\r\n"
      "row 0 | D: | " + kName + " | updated | 60 s\r\n"
      "row 1 | E: | ACME    WRITER | refused, wrong model | 0 s\r\n"
      "row 2 | F: | " + kName + " | failed | at block 5 of 49 | sense 03/0C/00 write error | 60 s\r\n"
      "report | " + report + "\r\n";
  EXPECT_EQ(first, expected);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{report});

  // A second run finds the trays the first one opened: a failure at readiness, with its sense.
  h.drives[2]->ClearFaults();
  RunToEnd(h);
  const std::string both = h.LogText();
  ASSERT_EQ(both.compare(0, first.size(), first), 0) << "the log is appended to, never rewritten";
  const std::string second = both.substr(first.size());
  EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 4 + 7) << second;
  EXPECT_TRUE(Contains(second, "row 2 | F: | " + kName +
                                   " | failed | at readiness | sense 02/3A/02 medium not present, tray open | 0 s\r\n"))
      << second;
}

// The second accepted product takes no block before its parameter write: when both attempts fail,
// the refused first block is logged as the parameter write's failure, with that command's sense.
TEST(RunLogInWindow, AFailedParameterWriteIsNamedAsTheCause) {
  AppHarness h;
  h.AddDrive(DriveSpec{"TEVOR", "HTL6190", "1.00"});
  h.drives[0]->FailNthVendor(scsi::cdb::kOpVendor, 0x14, 1, {0x05, 0x24, 0x00});
  h.drives[0]->FailNthVendor(scsi::cdb::kOpVendor, 0x14, 2, {0x05, 0x24, 0x00});
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  h.Start();
  RunToEnd(h);
  EXPECT_EQ(h.drives[0]->Restarts(), 0);
  EXPECT_TRUE(Contains(h.LogText(), "row 0 | D: | TEVOR   HTL6190 | failed | at parameter write | sense 05/24/00 "
                                    "invalid field in CDB | 60 s\r\n"))
      << h.LogText();
}

TEST(RunLogInWindow, ALogThatCannotBeWrittenChangesNothing) {
  using Failure = testing::MemoryLogFiles::Failure;
  for (Failure failure : {Failure::None, Failure::Open, Failure::Seek, Failure::Write, Failure::ShortWrite}) {
    AppHarness h;
    auto drive = h.AddDrive(kAccepted);
    h.AddDrive(kWrongVendor);
    h.logFiles.failure = failure;
    h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
    TForm1& form = h.Start();
    form.ButtonFlashClick(nullptr);
    h.WaitForWorkers();
    EXPECT_EQ(TicksUntilEnd(h), 101) << static_cast<int>(failure);
    EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Update ACME    WRITER(Wrong Drive, Can't flash)  NG."});
    EXPECT_EQ(form.rows[0]->Font().Color(), ui::clGreen);
    EXPECT_EQ(form.rows[1]->Font().Color(), ui::clRed);
    EXPECT_TRUE(form.ButtonFlash->Enabled());
    EXPECT_EQ(drive->Restarts(), 1);
    EXPECT_EQ(h.logFiles.opens, 2);  // the start record and the run's block
  }
}

TEST(RunLogInWindow, GetCsAndArgDrvAppendOneLineEach) {
  AppHarness h;
  h.AddDrive(kAccepted);
  h.AddDrive(kAccepted);
  h.drives[0]->SetMedium(emu::Medium::NoMedium);
  h.drives[1]->SetMedium(emu::Medium::NoMedium);
  TForm1& form = h.Start();
  form.ButCSClick(nullptr);
  form.ButADClick(nullptr);
  const std::string log = h.LogText();
  EXPECT_TRUE(Contains(log, " Get CS | D: | checksum ")) << log;
  EXPECT_TRUE(Contains(log, " ArgDrv | 2 of 2 placed | row 0 D:, row 1 E:\r\n")) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}

struct AutoCase {
  std::string name;
  std::vector<DriveSpec> drives;
  std::string ini;
  bool reboot;
  int status;
  bool reboots;
  std::string logged;
};

const AutoCase kAutoCases[] = {
    {"AllUpdated", {kAccepted, kAccepted}, "", false, 0, false, "report | " + std::string(kUpdateOk)},
    {"AllUpdatedRebootsWhenAsked", {kAccepted}, "", true, 0, true, "report | " + std::string(kUpdateOk)},
    {"AllVerified", {kAccepted}, "[VERIFY]\r\nCHECKSUM=1244h\r\n", true, 0, true, "checksum 1244h (reference 1244h)"},
    {"Refused", {kAccepted, kWrongVendor}, "", true, 2, false, "(Wrong Drive, Can't flash)  NG."},
    {"VerifyFailed", {kAccepted, kCorrupting}, "[VERIFY]\r\nCHECKSUM=1244h\r\n", true, 3, false,
     "(Verify failed)  NG. Please cloes all programs."},
    {"NoDrive", {}, "", true, 4, false, "message | No drive is selected"},
};

class Unattended : public ::testing::TestWithParam<std::tuple<AutoCase, System>> {};

TEST_P(Unattended, PressesFlashShowsNoBoxAndExitsWithTheOutcome) {
  const auto& [c, system] = GetParam();
  AppHarness h;
  RunOn(h, system);
  for (const DriveSpec& d : c.drives) h.AddDrive(d);
  h.WriteIni(c.ini);
  h.options = ParseOptions(c.reboot ? "/reboot /auto" : "/AUTO");
  TForm1& form = h.Start();
  ASSERT_NE(form.autoPress, nullptr);
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));  // nothing before the window's loop runs
  h.backend.FireTimer(*form.autoPress);
  EXPECT_FALSE(h.backend.TimerRunning(*form.autoPress));  // pressed once
  h.WaitForWorkers();
  TicksUntilEnd(h);

  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  std::vector<std::string> expectedCalls = c.reboots ? RebootCallsOn(system) : std::vector<std::string>{};
  expectedCalls.push_back("Exit " + std::to_string(c.status));
  EXPECT_EQ(h.shell.calls, expectedCalls);
  EXPECT_EQ(h.machine.AcceptedRestarts().size(), c.reboots ? 1u : 0u);
  EXPECT_TRUE(Contains(h.LogText(), c.logged)) << h.LogText();
  EXPECT_TRUE(Contains(h.LogText(), "message | Exit status " + std::to_string(c.status) + "\r\n"));
  for (std::size_t i = 0; i < c.drives.size(); ++i) {
    EXPECT_EQ(h.drives[i]->Restarts(), c.drives[i].vendor == "TEVOR" ? 1 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, Unattended,
                         ::testing::Combine(::testing::ValuesIn(kAutoCases),
                                            ::testing::Values(System::Nt, System::Win98Se)),
                         [](const auto& tp) {
                           return std::get<0>(tp.param).name + SystemName(std::get<1>(tp.param));
                         });

// 98 SE without a working ASPI manager: the reason in the log instead of a box, and the no-drive
// exit status.
TEST(Unattended, WithoutAnAspiManagerLogsWhyAndExitsWithNoDrive) {
  AppHarness h;
  RunOn(h, System::Win98Se);
  emu::AspiOptions noManager;
  noManager.libraryPresent = false;
  h.machine.SetAspi(noManager);
  h.AddDrive(kAccepted);
  h.options = ParseOptions("/AUTO");
  TForm1& form = h.Start();
  h.backend.FireTimer(*form.autoPress);
  TicksUntilEnd(h);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit 4"});
  const std::string log = h.LogText();
  EXPECT_TRUE(Contains(log, "message | No ASPI manager: WNASPI32.DLL cannot be loaded")) << log;
  EXPECT_TRUE(Contains(log, "message | No drive is selected")) << log;
  EXPECT_LT(log.find("WNASPI32.DLL"), log.find("No drive is selected"));
  EXPECT_EQ(h.drives[0]->Restarts(), 0);
}

TEST(Unattended, WithoutTheOptionNothingPressesFlash) {
  AppHarness h;
  h.AddDrive();
  TForm1& form = h.Start();
  EXPECT_EQ(form.autoPress, nullptr);
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
}

TEST(Options, AnUnknownOptionEndsWithStatus5BeforeAnyDriveIsTouched) {
  for (const bool unattended : {false, true}) {
    AppHarness h;
    auto drive = h.AddDrive();
    scsi::ScsiLayer layer(h.machine.Platform());
    const Machine machine{layer, h.machine, h.machine, h.clock, h.profile, h.shell, update::kEmbeddedImage,
                            h.logFiles};
    const int status = RunProgram(h.backend, machine, unattended ? "/AUTO /Quick" : "/Quick /AUTOX");
    EXPECT_EQ(status, kExitBadOption);
    EXPECT_TRUE(drive->Log().empty());
    if (unattended) {
      EXPECT_TRUE(h.backend.MessageBoxes().empty());
      EXPECT_TRUE(Contains(h.LogText(), "message | Unknown option: /Quick / Options:")) << h.LogText();
    } else {
      ASSERT_EQ(h.BoxTexts().size(), 1u);
      EXPECT_TRUE(Contains(h.BoxTexts()[0], "Unknown option: /Quick /AUTOX\n")) << h.BoxTexts()[0];
      EXPECT_TRUE(h.LogText().empty());
    }
  }
}

}  // namespace
}  // namespace app
