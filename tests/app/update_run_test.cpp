// The update run: the Flash command, the timed progress, the end of the run with its colours and
// report, the reboot, and the guards that keep the run from ending or the program from closing
// while firmware is being written.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <thread>
#include <vector>

#include "app_harness.h"
#include "scsi/cdb.h"
#include "ui/colors.h"
#include "ui/message_box_flags.h"
#include "update/firmware_image.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;
using testing::kRebootCalls;
using testing::kUpdateOk;
using testing::DriveSpec;
using testing::System;
using testing::SystemName;


const DriveSpec kAccepted{};
const DriveSpec kWrongVendor{"ACME", "WRITER", "9.99"};

void AnswerCancel(AppHarness& h) {
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
}


bool OffersReboot(const ui::HeadlessBackend::MessageBoxCall& box) { return (box.flags & 0xF) == ui::kMbOkCancel; }

std::vector<ui::TColor> RowColours(const TForm1& form) {
  std::vector<ui::TColor> colours;
  for (const ui::TCheckBox* row : form.rows) colours.push_back(row->Font().Color());
  return colours;
}

std::vector<ui::TColor> Colours(std::vector<ui::TColor> shown) {
  shown.resize(kRows, ui::clBlack);
  return shown;
}

struct RunCase {
  std::string name;
  std::vector<DriveSpec> drives;
  std::function<void(AppHarness&)> faults;
  int ticks;
  std::vector<ui::TColor> colours;
  std::string report;
  bool offersReboot;
};

void NoFaults(AppHarness&) {}

const std::string kAcceptedName = "TEVOR   DVD RW KMR5133";

const RunCase kRunCases[] = {
    {"OneAccepted", {kAccepted}, NoFaults, 101, {ui::clGreen}, kUpdateOk, true},
    {"OneRefusedEndsOnTheFirstTick", {kWrongVendor}, NoFaults, 1, {ui::clRed},
     "Update ACME    WRITER(Wrong Drive, Can't flash)  NG.", false},
    {"RefusedAndAcceptedRunsFullAndNamesOnlyTheRefused", {kWrongVendor, kAccepted}, NoFaults, 101,
     {ui::clRed, ui::clGreen}, "Update ACME    WRITER(Wrong Drive, Can't flash)  NG.", false},
    {"TrayOpenIsAFailureNotASuccess", {kAccepted},
     [](AppHarness& h) { h.drives[0]->FailAll(scsi::cdb::kOpTestUnitReady, {0x02, 0x3A, 0x02}); }, 101,
     {ui::clRed}, "Update " + kAcceptedName + "(Update failed)  NG.", false},
    {"FailedBlockWriteIsAFailure", {kAccepted},
     [](AppHarness& h) { h.drives[0]->FailNth(scsi::cdb::kOpWriteFirmwareBlock, 5, {0x03, 0x0C, 0x00}); }, 101,
     {ui::clRed}, "Update " + kAcceptedName + "(Update failed)  NG.", false},
    {"FailedAndUpdatedStillOffersTheRestart", {kAccepted, kAccepted},
     [](AppHarness& h) { h.drives[1]->FailAll(scsi::cdb::kOpTestUnitReady, {0x02, 0x3A, 0x01}); }, 101,
     {ui::clGreen, ui::clRed},
     "Update " + kAcceptedName + "(Update failed)  NG. Please cloes all programs. This computer will be rebooted.", true},
    {"RefusedAndFailedNamedInRowOrder", {kAccepted, kWrongVendor},
     [](AppHarness& h) { h.drives[0]->FailAll(scsi::cdb::kOpTestUnitReady, {0x02, 0x3A, 0x01}); }, 101,
     {ui::clRed, ui::clRed},
     "Update " + kAcceptedName + "(Update failed)  ACME    WRITER(Wrong Drive, Can't flash)  NG.", false},
};

class UpdateRun : public ::testing::TestWithParam<std::tuple<RunCase, System>> {};

TEST_P(UpdateRun, EndsColoursAndReports) {
  const auto& [c, system] = GetParam();
  AppHarness h;
  RunOn(h, system);
  for (const auto& wanted : c.drives) h.AddDrive(wanted);
  c.faults(h);
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  EXPECT_FALSE(form.ButtonFlash->Enabled());
  EXPECT_FALSE(form.rows[0]->Enabled());
  h.WaitForWorkers();

  EXPECT_EQ(TicksUntilEnd(h), c.ticks);
  EXPECT_EQ(RowColours(form), Colours(c.colours));
  ASSERT_EQ(h.backend.MessageBoxes().size(), 1u);
  const auto& box = h.backend.MessageBoxes()[0];
  EXPECT_EQ(box.text, c.report);
  EXPECT_EQ(OffersReboot(box), c.offersReboot);
  if (c.offersReboot) {
    EXPECT_EQ(box.caption, "Tolvarine V0.60 by Tevor PMXT-II");
  }
  // Cancel, or a report without the question: idle again, no reboot.
  EXPECT_TRUE(h.shell.calls.empty());
  for (const ui::TControl* c2 : {static_cast<ui::TControl*>(form.ButtonFlash), static_cast<ui::TControl*>(form.ButtonLoad),
                                 static_cast<ui::TControl*>(form.ButExit), static_cast<ui::TControl*>(form.ButCS),
                                 static_cast<ui::TControl*>(form.ButAD)}) {
    EXPECT_TRUE(c2->Enabled());
  }
  for (const ui::TCheckBox* row : form.rows) EXPECT_TRUE(row->Enabled());
}

INSTANTIATE_TEST_SUITE_P(Outcomes, UpdateRun,
                         ::testing::Combine(::testing::ValuesIn(kRunCases),
                                            ::testing::Values(System::Nt, System::Win98Se)),
                         [](const auto& tp) {
                           return std::get<0>(tp.param).name + SystemName(std::get<1>(tp.param));
                         });

TEST(UpdateRun, ProgressRisesOnePercentPerTickAndOkReboots) {
  AppHarness h;
  auto drive = h.AddDrive();
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  for (int tick = 1; tick <= 100; ++tick) {
    h.backend.FireTimer(*form.TimerPB);
    ASSERT_EQ(form.StatusBar->Panels()[1].Text(), "Complete: " + std::to_string(tick) + "%");
    ASSERT_EQ(form.ProgressBar->Position(), tick);
  }
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  h.backend.FireTimer(*form.TimerPB);  // the default answer is OK
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kUpdateOk});
  EXPECT_EQ(h.shell.calls, kRebootCalls);
  // The drive really holds the new firmware.
  const auto flash = drive->Flash();
  const auto& image = update::kEmbeddedImage;
  EXPECT_TRUE(std::equal(image.payload, image.payload + image.blockCount * update::kBlockSize, flash.begin()));
}

TEST(UpdateRun, NoTickedRowChangesNothing) {
  AppHarness h;
  auto drive = h.AddDrive();
  TForm1& form = h.Start();
  form.rows[0]->SetChecked(false);
  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"No drive is selected"});
  EXPECT_TRUE(form.ButtonFlash->Enabled());
  EXPECT_TRUE(form.rows[0]->Enabled());
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
  EXPECT_EQ(drive->Log().size(), 1u);  // the start-up INQUIRY only
}

TEST(UpdateRun, NoCdromIsToldAndTheRunGoesOn) {
  AppHarness h;
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.rows[0]->SetChecked(true);  // a row ticked without any drive behind it
  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"No CDROM"});
  EXPECT_TRUE(h.backend.TimerRunning(*form.TimerPB));
  h.WaitForWorkers();
  // Its worker found no drive: failed, not refused as a wrong model.
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(form.rows[0]->Font().Color(), ui::clRed);
  EXPECT_EQ(h.BoxTexts().back(), "Update ? (The drive did not answer)  NG.");
}

TEST(UpdateRun, RowsMappedToOtherDevicesUseThoseDevicesWorkersNamesAndFlags) {
  AppHarness h;
  h.AddDrive(kAccepted);
  h.AddDrive(kWrongVendor);
  h.WriteIni("[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n1=0\r\n");
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(RowColours(form), Colours({ui::clRed, ui::clGreen}));
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Update ACME    WRITER(Wrong Drive, Can't flash)  NG."});
  EXPECT_EQ(form.workers[1]->Outcome(), update::kFlashWrongDrive);
  EXPECT_EQ(form.workers[0]->Outcome(), update::kFlashDone);
}

TEST(UpdateRun, UntickedRowsEndBlackAndAreNotFlashed) {
  AppHarness h;
  h.AddDrive();
  auto second = h.AddDrive();
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.rows[1]->SetChecked(false);
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_EQ(RowColours(form), Colours({ui::clGreen, ui::clBlack}));
  EXPECT_EQ(second->Log().size(), 1u);
}

TEST(UpdateRun, SecondRunShowsThePreviousValueUntilItsFirstTick) {
  AppHarness h;
  h.AddDrive();
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  TicksUntilEnd(h);
  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(form.ProgressCounter(), 0);
  EXPECT_EQ(form.StatusBar->Panels()[1].Text(), "Complete: 100%");
  h.WaitForWorkers();
  h.backend.FireTimer(*form.TimerPB);
  EXPECT_EQ(form.StatusBar->Panels()[1].Text(), "Complete: 1%");
  EXPECT_EQ(TicksUntilEnd(h), 100);
  EXPECT_EQ(h.backend.MessageBoxes().size(), 2u);
}

TEST(UpdateRun, EndWaitsForASlowWorkerAndClosingIsRefusedMeanwhile) {
  AppHarness h;
  h.AddDrive();
  AnswerCancel(h);
  TForm1& form = h.Start();
  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  for (int tick = 0; tick < 150; ++tick) h.backend.FireTimer(*form.TimerPB);
  EXPECT_TRUE(h.backend.TimerRunning(*form.TimerPB));
  EXPECT_EQ(form.ProgressCounter(), 100);
  EXPECT_TRUE(form.RunBusy());
  EXPECT_TRUE(h.backend.MessageBoxes().empty());

  EXPECT_FALSE(form.CloseQuery());
  EXPECT_EQ(h.backend.MessageBoxes().size(), 1u);  // the user is told why
  // The end of the Windows session is refused too, silently, with a reason for the system.
  EXPECT_FALSE(form.QueryEndSession());
  EXPECT_EQ(h.backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.backend.ShutdownBlockReason(form), "Drive firmware is being written.");

  h.clock.Release();
  h.WaitForWorkers();
  h.backend.FireTimer(*form.TimerPB);
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
  EXPECT_EQ(h.backend.MessageBoxes().back().text, kUpdateOk);
  EXPECT_TRUE(form.CloseQuery());
  EXPECT_TRUE(form.QueryEndSession());
  EXPECT_EQ(h.backend.ShutdownBlockReason(form), "");
}

// A worker's job ended: its go flag is clear (within a few seconds of real time).
bool WorkersEndSoon(const TForm1& form) {
  for (int i = 0; i < 1000; ++i) {
    bool busy = false;
    for (const update::AspiExec* worker : form.workers) busy = busy || worker->Go();
    if (!busy) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

const std::string kFailedReport = "Update " + kAcceptedName + "(Update failed)  NG.";

// On the ASPI back end the readiness test's 06/29 stays in the device's sense area; the block
// write that then fails without sense of its own is a failure, not the drive's restart.
TEST(UpdateRun, BlockLostAfterAStaleRestartSenseIsAFailureOnAspi) {
  AppHarness h;
  h.backEnd = test_support::kAspi;
  auto drive = h.AddDrive();
  drive->FailNth(scsi::cdb::kOpTestUnitReady, 1, {0x06, 0x29, 0x00});
  drive->Inject({scsi::cdb::kOpWriteFirmwareBlock, -1, 1, emu::Drive::AnswerFault::Kind::NoSense, {}, 0, false});
  AnswerCancel(h);
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  ASSERT_TRUE(WorkersEndSoon(form));
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(drive->Restarts(), 0);
  EXPECT_EQ(RowColours(form), Colours({ui::clRed}));
  ASSERT_EQ(h.backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.backend.MessageBoxes()[0].text, kFailedReport);
}

// A worker whose job throws (an allocation failure, say) still ends its job, so the run ends.
TEST(UpdateRun, JobThatThrowsEndsTheRunAsAFailure) {
  AppHarness h;
  h.AddDrive();
  AnswerCancel(h);
  TForm1& form = h.Start();
  h.clock.ThrowOnce(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  ASSERT_TRUE(WorkersEndSoon(form));
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
  EXPECT_EQ(RowColours(form), Colours({ui::clRed}));
  ASSERT_EQ(h.backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.backend.MessageBoxes()[0].text, kFailedReport);
  EXPECT_TRUE(form.CloseQuery());
}

// The worker refuses the hand-off (still busy with a job the run did not give it): the run did
// not write that drive, so it must not call it updated.
TEST(UpdateRun, RefusedHandOffIsReportedAsAFailure) {
  AppHarness h;
  auto drive = h.AddDrive();
  AnswerCancel(h);
  TForm1& form = h.Start();
  h.clock.Hold(update::kRestartWaitRestMs);
  ASSERT_TRUE(form.workers[0]->StartJob(0, false));
  form.ButtonFlashClick(nullptr);
  h.clock.Release();
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(RowColours(form), Colours({ui::clRed}));
  ASSERT_EQ(h.backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.backend.MessageBoxes()[0].text, kFailedReport);
  EXPECT_TRUE(h.shell.calls.empty());
}

struct RebootCase {
  std::string name;
  emu::Machine::Family family;
  int openTokenResult;
  bool privilegeHeld;
  std::vector<std::string> calls;
  bool restarted;
};

class Reboot : public ::testing::TestWithParam<RebootCase> {};

// Judged by the machine's own record: the restarts it carried out and the tokens left open.
TEST_P(Reboot, TakesTheStepsItsFamilyNeedsAndStopsSilentlyAtARefusal) {
  const RebootCase& c = GetParam();
  AppHarness h;
  h.machine.SetFamily(c.family);
  h.machine.SetShutdownPrivilegeHeld(c.privilegeHeld);
  TForm1& form = h.Start();
  h.shell.openTokenResult = c.openTokenResult;
  form.Button1Click(nullptr);  // the hidden button reboots at once
  EXPECT_EQ(h.shell.calls, c.calls);
  EXPECT_EQ(h.machine.AcceptedRestarts(), c.restarted ? std::vector<uint32_t>{2} : std::vector<uint32_t>{});
  EXPECT_EQ(h.machine.OpenTokenHandles(), 0u);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Reboot,
    ::testing::Values(RebootCase{"Granted", emu::Machine::Family::Nt, 1, true, kRebootCalls, true},
                      RebootCase{"NoToken", emu::Machine::Family::Nt, 0, true, {"OpenProcessToken 40"}, false},
                      RebootCase{"PrivilegeNotHeld", emu::Machine::Family::Nt, 1, false,
                                 {kRebootCalls[0], kRebootCalls[1], kRebootCalls[2], kRebootCalls[3]}, false},
                      // 98 SE: the token calls are stubs, and the restart needs no privilege.
                      RebootCase{"ConsumerFamily", emu::Machine::Family::Consumer, 1, true, {"ExitWindowsEx 2 0"}, true}),
    [](const auto& tp) { return tp.param.name; });

TEST(ExitButton, EndsTheProgramWithCodeOne) {
  AppHarness h;
  TForm1& form = h.Start();
  form.ButExitClick(nullptr);
  EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit 1"});
}

}  // namespace
}  // namespace app
