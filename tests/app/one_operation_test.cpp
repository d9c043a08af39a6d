// One drive operation at a time: the update run, Get CS and ArgDrv refuse to start while another
// one holds the drives, never give back controls another one holds, and boxes keep the user off
// the window; ArgDrv's cue, its stop when the program ends, a run on two rows naming one device,
// the steps of the Flash command, and E&XIT running unit Main's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
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
using testing::kUpdateOk;
using testing::DriveSpec;

const DriveSpec kWrongVendor{"ACME", "WRITER", "9.99"};

std::string IniValue(AppHarness& h, const char* section, const char* key) {
  char buffer[128] = {};
  h.profile.GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, ".\\FLASH.INI");
  return buffer;
}

size_t Count(const emu::Drive& drive, const std::function<bool(const emu::CommandRecord&)>& match) {
  const auto log = drive.Log();
  return static_cast<size_t>(std::count_if(log.begin(), log.end(), match));
}
size_t Commands(const emu::Drive& drive, uint8_t opcode) {
  return Count(drive, [opcode](const emu::CommandRecord& c) { return c.cdb[0] == opcode; });
}
size_t FlashReads(const emu::Drive& drive) {
  return Count(drive, [](const emu::CommandRecord& c) {
    return c.cdb[0] == scsi::cdb::kOpVendor && c.cdb[1] == scsi::cdb::kVendorReadFlash;
  });
}
// What only a flash worker sends: its 32-byte INQUIRY (the window asks for 36) and block writes.
size_t WorkerCommands(const emu::Drive& drive) {
  return Count(drive, [](const emu::CommandRecord& c) {
    return (c.cdb[0] == scsi::cdb::kOpInquiry && c.cdb[4] == 32) || c.cdb[0] == scsi::cdb::kOpWriteFirmwareBlock;
  });
}

bool HoldsTheImage(const emu::Drive& drive) {
  const auto flash = drive.Flash();
  const auto& image = update::kEmbeddedImage;
  return std::equal(image.payload, image.payload + image.blockCount * update::kBlockSize, flash.begin());
}


std::vector<ui::TControl*> FiveRunButtons(TForm1& form) {
  return {form.ButtonFlash, form.ButtonLoad, form.ButExit, form.ButCS, form.ButAD};
}

// A shown window with its service controls, so that a refused click means disabled, not hidden.
TForm1& StartShown(AppHarness& h) {
  TForm1& form = h.Start();
  form.Show();
  form.ShowServiceControls();
  return form;
}

// --- Refusals -------------------------------------------------------------------------------------

enum class Holder { ArgDrv, Run };

struct RefusalCase {
  std::string name;
  Holder holder;
  std::function<ui::TControl*(TForm1&)> control;
  std::function<void(TForm1&)> press;
  // Right after the refused press: it left no trace.
  std::function<void(AppHarness&)> noTrace;
};

// During a run the second job would show in the drives' block writes, counted at the end.
void NoFlashStarted(AppHarness& h) {
  if (!h.form->RunActive()) {
    for (update::AspiExec* worker : h.form->workers) EXPECT_FALSE(worker->Go());
    EXPECT_FALSE(h.backend.TimerRunning(*h.form->TimerPB));
  }
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}
void NoChecksumRead(AppHarness& h) {
  for (const auto& drive : h.drives) EXPECT_EQ(FlashReads(*drive), 0u);
  EXPECT_EQ(IniValue(h, "FLASHROM", "CHECKSUM"), "<none>");
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}
void NoFileChosen(AppHarness& h) {
  EXPECT_TRUE(h.backend.OpenDialogs().empty());
  EXPECT_FALSE(h.form->ButtonFlash->Enabled());
}
void NoArrangement(AppHarness& h) {
  // Whatever ArgDrv was already doing: one scan and one wait, nothing nested.
  EXPECT_EQ(h.machine.SleepsOfThisThread().size(), h.form->ArgDrvScanning() ? 1u : 0u);
  if (!h.form->ArgDrvScanning()) {
    EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "<none>");
  }
}

ui::TControl* Flash(TForm1& f) { return f.ButtonFlash; }
ui::TControl* GetCs(TForm1& f) { return f.ButCS; }
ui::TControl* ArgDrv(TForm1& f) { return f.ButAD; }
ui::TControl* LoadCvt(TForm1& f) { return f.ButtonLoad; }
void PressFlash(TForm1& f) { f.ButtonFlashClick(nullptr); }
void PressGetCs(TForm1& f) { f.ButCSClick(nullptr); }
void PressArgDrv(TForm1& f) { f.ButADClick(nullptr); }
void PressLoadCvt(TForm1& f) { f.ButtonLoadClick(nullptr); }

const RefusalCase kRefusals[] = {
    {"FlashWhileArgDrvScans", Holder::ArgDrv, Flash, PressFlash, NoFlashStarted},
    {"GetCsWhileArgDrvScans", Holder::ArgDrv, GetCs, PressGetCs, NoChecksumRead},
    {"LoadCvtWhileArgDrvScans", Holder::ArgDrv, LoadCvt, PressLoadCvt, NoFileChosen},
    {"ArgDrvWhileArgDrvScans", Holder::ArgDrv, ArgDrv, PressArgDrv, NoArrangement},
    {"ArgDrvWhileTheRunWrites", Holder::Run, ArgDrv, PressArgDrv, NoArrangement},
    {"GetCsWhileTheRunWrites", Holder::Run, GetCs, PressGetCs, NoChecksumRead},
    {"FlashWhileTheRunWrites", Holder::Run, Flash, PressFlash, NoFlashStarted},
    {"LoadCvtWhileTheRunWrites", Holder::Run, LoadCvt, PressLoadCvt, NoFileChosen},
};

class Refused : public ::testing::TestWithParam<RefusalCase> {};

// The press is tried as the user makes it (the control is disabled) and as a click that was
// queued before the control was disabled (the handler itself refuses, and nothing is queued).
TEST_P(Refused, WhileAnotherOperationHoldsTheDrives) {
  const RefusalCase& c = GetParam();
  AppHarness h;
  auto d0 = h.AddDrive();
  auto d1 = h.AddDrive();
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  h.backend.SetOpenDialogResponder([](const auto&) { return std::optional<std::string>("C:\\FW\\NEW.CVT"); });
  TForm1& form = StartShown(h);
  bool tried = false;
  auto attempt = [&] {
    EXPECT_FALSE(h.backend.Click(*c.control(form)));
    c.press(form);
    c.noTrace(h);
    tried = true;
  };

  if (c.holder == Holder::ArgDrv) {
    // Both drives are emptied during ArgDrv's third wait; the press comes in its first wait.
    d0->ScheduleMediumAfterTestUnitReady(3, emu::Medium::NoMedium);
    d1->ScheduleMediumAfterTestUnitReady(3, emu::Medium::NoMedium);
    h.backend.Post([&] {
      attempt();
      EXPECT_FALSE(form.rows[0]->Enabled() || form.rows[1]->Enabled());  // as ArgDrv holds them
    });
    form.ButADClick(nullptr);
    EXPECT_TRUE(tried);
    EXPECT_EQ(h.machine.SleepsOfThisThread(), std::vector<uint32_t>(3, 1000));
    EXPECT_EQ(Commands(*d0, scsi::cdb::kOpTestUnitReady), 4u);
    EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "2");
    // No worker ever reached a drive, and ArgDrv gave back what it held.
    EXPECT_EQ(WorkerCommands(*d0) + WorkerCommands(*d1), 0u);
    for (ui::TControl* control : FiveRunButtons(form)) EXPECT_TRUE(control->Enabled()) << control->Caption();
  } else {
    h.clock.Hold(update::kRestartWaitRestMs);  // the workers stay in their restart wait: the run is writing
    form.ButtonFlashClick(nullptr);
    attempt();
    h.clock.Release();
    h.WaitForWorkers();
    EXPECT_EQ(TicksUntilEnd(h), 101);
    EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kUpdateOk});
    // One job per drive, and both hold the new firmware.
    EXPECT_EQ(Commands(*d0, scsi::cdb::kOpWriteFirmwareBlock), 49u);
    EXPECT_EQ(Commands(*d1, scsi::cdb::kOpWriteFirmwareBlock), 49u);
    EXPECT_TRUE(HoldsTheImage(*d0) && HoldsTheImage(*d1));
  }
}

INSTANTIATE_TEST_SUITE_P(OneOperation, Refused, ::testing::ValuesIn(kRefusals),
                         [](const auto& tp) { return tp.param.name; });

// ArgDrv may start once a run's workers have all finished, while the run's timer still has to
// report: the run's end must leave alone what ArgDrv holds, and ArgDrv gives it back.
TEST(OneOperation, AShortRunEndingDuringArgDrvLeavesArgDrvsControlsAsItHoldsThem) {
  AppHarness h;
  auto wrong = h.AddDrive(kWrongVendor);
  TForm1& form = StartShown(h);
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();  // refused at once: nothing writes any more
  ASSERT_TRUE(form.RunActive());

  wrong->ScheduleMediumAfterTestUnitReady(2, emu::Medium::NoMedium);
  bool ended = false;
  h.backend.Post([&] {
    h.backend.FireTimer(*form.TimerPB);  // the run's first tick finds every drive refused
    ended = !form.RunActive();
    EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Update ACME    WRITER(Wrong Drive, Can't flash)  NG."});
    EXPECT_EQ(form.rows[0]->Font().Color(), ui::clRed);
    EXPECT_TRUE(form.ButExit->Enabled());
    for (ui::TControl* held : {static_cast<ui::TControl*>(form.ButtonFlash), static_cast<ui::TControl*>(form.ButtonLoad),
                               static_cast<ui::TControl*>(form.ButCS), static_cast<ui::TControl*>(form.ButAD),
                               static_cast<ui::TControl*>(form.rows[0])}) {
      EXPECT_FALSE(held->Enabled()) << held->Caption();
    }
  });
  form.ButADClick(nullptr);
  EXPECT_TRUE(ended);
  EXPECT_FALSE(form.ArgDrvScanning());
  for (ui::TControl* control : FiveRunButtons(form)) EXPECT_TRUE(control->Enabled()) << control->Caption();
  EXPECT_TRUE(form.rows[0]->Enabled());
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "1");
}

TEST(OneOperation, TheReadFlashNgBoxKeepsTheUserOffTheWindow) {
  AppHarness h;
  auto drive = h.AddDrive();
  drive->FillFlash(0xFF);
  drive->FailNthVendor(scsi::cdb::kOpVendor, scsi::cdb::kVendorReadFlash, 3, {0x03, 0x11, 0x00});
  TForm1& form = StartShown(h);
  std::vector<bool> reached;
  h.backend.SetMessageBoxResponder([&](const ui::HeadlessBackend::MessageBoxCall& box) {
    EXPECT_NE(box.flags & ui::kMbTaskModal, 0u);
    for (ui::TControl* control : FiveRunButtons(form)) reached.push_back(h.backend.Click(*control));
    reached.push_back(h.backend.Click(*form.rows[0]));
    // Not even a click queued before the box: Get CS still holds the device.
    form.ButtonFlashClick(nullptr);
    form.ButADClick(nullptr);
    return ui::kIdOk;
  });
  form.ButCSClick(nullptr);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Read Flash NG"});
  EXPECT_EQ(reached, std::vector<bool>(6, false));
  EXPECT_EQ(WorkerCommands(*drive), 0u);
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "<none>");
  EXPECT_EQ(form.EditCS->Text(), "F000h");
  EXPECT_TRUE(h.backend.Click(*form.ButCS));  // answered and done: usable again
}

TEST(OneOperation, EveryBoxOfTheWindowIsTaskModal) {
  AppHarness h;
  h.AddDrive(kWrongVendor);
  h.AddDrive();
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  form.ButCSClick(nullptr);  // a good read: no box
  form.rows[0]->SetChecked(false);
  form.rows[1]->SetChecked(false);
  form.ButtonFlashClick(nullptr);  // "No drive is selected"
  form.rows[1]->SetChecked(true);
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  TicksUntilEnd(h);  // the report with OK and Cancel
  EXPECT_EQ(h.BoxTexts(), (std::vector<std::string>{"No drive is selected", kUpdateOk}));
  for (const auto& box : h.backend.MessageBoxes()) EXPECT_NE(box.flags & ui::kMbTaskModal, 0u) << box.text;
}

// --- ArgDrv ---------------------------------------------------------------------------------------

// On the ASPI back end each device keeps the sense area its last command left, also after a good
// answer: once the discs are back, a second ArgDrv must wait for the operator's new cue.
TEST(ArgDrvCue, ASecondArgDrvOnAspiWithDiscsBackPlacesNobodyOnItsFirstScan) {
  AppHarness h;
  h.backEnd = test_support::kAspi;
  for (int i = 0; i < 2; ++i) {
    emu::DriveConfig config;
    config.product = "DRIVE " + std::to_string(i);
    h.AddConfiguredDrive(config)->SetMedium(emu::Medium::NoMedium);
  }
  const std::vector<std::shared_ptr<emu::Drive>>& drives = h.drives;
  TForm1& form = h.Start();
  ASSERT_EQ(form.driveCount, 2);
  form.ButADClick(nullptr);
  ASSERT_EQ(form.DriveOrder[0], 0);
  ASSERT_EQ(form.DriveOrder[1], 1);

  for (const auto& drive : drives) drive->SetMedium(emu::Medium::Ready);
  // Now device 1 is emptied in the second wait, device 0 in the fourth.
  drives[1]->ScheduleMediumAfterTestUnitReady(2, emu::Medium::NoMedium);
  drives[0]->ScheduleMediumAfterTestUnitReady(4, emu::Medium::NoMedium);
  form.ButADClick(nullptr);
  EXPECT_EQ(form.DriveOrder[0], 1);
  EXPECT_EQ(form.DriveOrder[1], 0);
  EXPECT_EQ(h.machine.SleepsOfThisThread(), std::vector<uint32_t>(4, 1000));
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "0"), "1");
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "1"), "0");
}

struct EndDuringArgDrvCase {
  std::string name;
  std::function<void(AppHarness&)> end;
  bool exits;  // through the run-time library's exit rather than the end of the message loop
};

const EndDuringArgDrvCase kEndsDuringArgDrv[] = {
    {"ClosingTheWindow", [](AppHarness& h) { h.form->Close(); }, false},
    {"ExitButton", [](AppHarness& h) { EXPECT_TRUE(h.backend.Click(*h.form->ButExit)); }, true},
};

class EndDuringArgDrv : public ::testing::TestWithParam<EndDuringArgDrvCase> {};

TEST_P(EndDuringArgDrv, StopsTheScanWithinOneScanPeriodAndFinishesItsWrites) {
  AppHarness h;
  auto d0 = h.AddDrive();
  auto d1 = h.AddDrive();
  d1->SetMedium(emu::Medium::NoMedium);  // placed on the first scan
  h.WriteIni("[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n1=1\r\n");
  TForm1& form = StartShown(h);
  h.backend.Post([&] { GetParam().end(h); });
  form.ButADClick(nullptr);

  EXPECT_EQ(h.machine.SleepsOfThisThread(), std::vector<uint32_t>{1000});
  EXPECT_EQ(Commands(*d0, scsi::cdb::kOpTestUnitReady), 1u);
  EXPECT_EQ(Commands(*d1, scsi::cdb::kOpTestUnitReady), 1u);
  // As after a time-out: the drives placed, then -1 beyond the drive count, then the total, which
  // now differs from the drive count, so the next start ignores the half-made arrangement.
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "0"), "1");
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "1"), "1");
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "2"), "-1");
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "1");
  if (GetParam().exits) {
    EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit 1"});
  } else {
    EXPECT_TRUE(h.application->Terminated());
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(h.shell.calls.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(OneOperation, EndDuringArgDrv, ::testing::ValuesIn(kEndsDuringArgDrv),
                         [](const auto& tp) { return tp.param.name; });

// ArgDrv writes FLASH.INI key by key between its scans: a session ended meanwhile would leave the
// old keys under a new drive total. Windows' question is answered no until ArgDrv has finished.
TEST(ArgDrvSessionEnd, IsRefusedWhileArgDrvScansAndAllowedOnceItsWritesAreDone) {
  AppHarness h;
  h.AddDrive();
  auto d1 = h.AddDrive();
  d1->SetMedium(emu::Medium::NoMedium);  // placed on the first scan; device 0 never is
  TForm1& form = StartShown(h);
  std::vector<bool> answers;
  h.backend.Post([&] { answers.push_back(form.QueryEndSession()); });
  form.ButADClick(nullptr);
  EXPECT_EQ(answers, std::vector<bool>{false});
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "1");
  EXPECT_TRUE(form.QueryEndSession());
}

// --- Two rows naming one device -------------------------------------------------------------------

struct SharedDeviceCase {
  std::string name;
  DriveSpec device0;
  int ticks;
  ui::TColor colour;
  std::string report;
};

const SharedDeviceCase kSharedDevice[] = {
    {"Updated", {}, 101, ui::clGreen, kUpdateOk},
    {"Refused", kWrongVendor, 1, ui::clRed,
     "Update ACME    WRITER(Wrong Drive, Can't flash)  ACME    WRITER(Wrong Drive, Can't flash)  NG."},
};

class TwoRowsOneDevice : public ::testing::TestWithParam<SharedDeviceCase> {};

TEST_P(TwoRowsOneDevice, StartOneJobAndBothRowsShowItsOutcome) {
  const SharedDeviceCase& c = GetParam();
  AppHarness h;
  auto d0 = h.AddDrive(c.device0);
  auto d1 = h.AddDrive();
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  // Start-up and ArgDrv give every drive its own row now; the run still guards against an order
  // that names one device twice.
  form.DriveOrder[1] = 0;
  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(form.RunRowDevices()[0], 0);
  EXPECT_EQ(form.RunRowDevices()[1], 0);
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), c.ticks);
  EXPECT_EQ(form.rows[0]->Font().Color(), c.colour);
  EXPECT_EQ(form.rows[1]->Font().Color(), c.colour);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{c.report});
  // One job on device 0, whose drive holds the new firmware only when it was accepted; device 1,
  // which no row names, is never touched by a worker.
  EXPECT_EQ(Count(*d0, [](const auto& cmd) { return cmd.cdb[0] == scsi::cdb::kOpInquiry && cmd.cdb[4] == 32; }), 1u);
  EXPECT_EQ(Commands(*d0, scsi::cdb::kOpWriteFirmwareBlock), c.colour == ui::clGreen ? 49u : 0u);
  EXPECT_EQ(HoldsTheImage(*d0), c.colour == ui::clGreen);
  EXPECT_EQ(WorkerCommands(*d1), 0u);
}

INSTANTIATE_TEST_SUITE_P(OneOperation, TwoRowsOneDevice, ::testing::ValuesIn(kSharedDevice),
                         [](const auto& tp) { return tp.param.name; });

// An arrangement that names one device twice would leave the other drive found in no row, and a
// run would write one drive and report OK. Whichever way it comes about, every drive found keeps
// one row: the run writes both and both drives hold the image.
struct LeftOutCase {
  std::string name;
  std::string ini;
  bool argDrvTimesOut;  // device 1 is emptied, device 0 never: ArgDrv places one drive
};

const LeftOutCase kLeftOut[] = {
    {"FlashIniNamesOneDeviceTwice", "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n", false},
    {"ArgDrvTimesOutWithOneDrivePlaced", "", true},
};

class EveryDriveFound : public ::testing::TestWithParam<LeftOutCase> {};

TEST_P(EveryDriveFound, HasOneRowAndTheRunWritesIt) {
  const LeftOutCase& c = GetParam();
  AppHarness h;
  // Told apart by their revisions in the row captions.
  auto d0 = h.AddDrive({"TEVOR", "DVD RW KMR5133", "0.00"});
  auto d1 = h.AddDrive({"TEVOR", "DVD RW KMR5133", "1.11"});
  h.WriteIni(c.ini);
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = StartShown(h);
  if (c.argDrvTimesOut) {
    d1->SetMedium(emu::Medium::NoMedium);
    form.ButADClick(nullptr);
    d1->SetMedium(emu::Medium::Ready);
    EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "1");
  }
  EXPECT_EQ(form.DriveOrder[0], 1);
  EXPECT_EQ(form.DriveOrder[1], 0);
  EXPECT_EQ(form.rows[0]->Caption(), "TEVOR   DVD RW KMR5133  1.11");
  EXPECT_EQ(form.rows[1]->Caption(), "TEVOR   DVD RW KMR5133  0.00");
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kUpdateOk});
  EXPECT_TRUE(HoldsTheImage(*d0));
  EXPECT_TRUE(HoldsTheImage(*d1));
}

INSTANTIATE_TEST_SUITE_P(OneOperation, EveryDriveFound, ::testing::ValuesIn(kLeftOut),
                         [](const auto& tp) { return tp.param.name; });

// --- The steps of the Flash command ---------------------------------------------------------------

// A drive that failed in one run (its worker's INQUIRY failed: failed, not refused) is accepted
// in the next, which clears all ten refusal flags first, not only those of the rows it starts.
TEST(FlashCommand, ClearsAllTenWrongDriveFlagsAndTheStoredChecksumAndHoldsTheFiveButtons) {
  AppHarness h;
  auto drive = h.AddDrive();
  drive->FailNth(scsi::cdb::kOpInquiry, 2, {0x04, 0x44, 0x00});  // the first run's worker INQUIRY
  h.WriteIni("[FLASHROM]\r\nCHECKSUM=4660\r\n");
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  ASSERT_EQ(form.storedChecksum, 4660);
  update::DriveTable& flags = MainUnit::Current().drives;

  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(form.storedChecksum, 0);
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(form.rows[0]->Font().Color(), ui::clRed);
  EXPECT_EQ(flags.Wrong(0), 0);
  EXPECT_EQ(h.BoxTexts().back(), "Update D: (The drive did not answer)  NG.");

  for (int device = 0; device < 10; ++device) flags.SetWrong(device, 1);
  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  for (int device = 0; device < 10; ++device) EXPECT_EQ(flags.Wrong(device), 0) << device;
  EXPECT_FALSE(form.workers[0]->ChecksumWanted());
  for (ui::TControl* control : FiveRunButtons(form)) EXPECT_FALSE(control->Enabled()) << control->Caption();
  for (const ui::TCheckBox* row : form.rows) EXPECT_FALSE(row->Enabled());
  h.clock.Release();
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  for (ui::TControl* control : FiveRunButtons(form)) EXPECT_TRUE(control->Enabled()) << control->Caption();
  for (const ui::TCheckBox* row : form.rows) EXPECT_TRUE(row->Enabled());
  EXPECT_EQ(form.rows[0]->Font().Color(), ui::clGreen);
  EXPECT_EQ(h.BoxTexts().back(), kUpdateOk);
  EXPECT_TRUE(HoldsTheImage(*drive));
  EXPECT_EQ(FlashReads(*drive), 0u);  // no checksum read back: it was cleared
}

// --- E&XIT ----------------------------------------------------------------------------------------

class ExitingShell : public testing::RecordingShell {
 public:
  using RecordingShell::RecordingShell;
  void Exit(int code) override { std::exit(code); }
};

// Registered before the program starts, so it runs after unit Main's own exit routine. It also
// removes the test's FLASH.INI folder, which the exit leaves behind.
void ReportUnitMainAtExit() {
  std::fputs(MainUnit::Running() ? "unit Main still running\n" : "unit Main ended\n", stderr);
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (!error && folder.filename().string().rfind("flash-app-", 0) == 0) std::filesystem::remove_all(folder, error);
}

TEST(ExitButtonDeathTest, EndsThroughExitWithCodeOneRunningUnitMainsEnd) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit(&ReportUnitMainAtExit);
        AppHarness h;
        h.AddDrive();
        ExitingShell shell{h.machine};
        h.layer = std::make_unique<scsi::ScsiLayer>(h.machine.Platform());
        MainUnit& unit = MainUnit::Start(Machine{*h.layer, h.machine, h.machine, h.clock, h.profile, shell});
        ui::TApplication application(h.backend);
        application.CreateForm(unit.Form1);
        unit.Form1->ButExitClick(nullptr);
      },
      ::testing::ExitedWithCode(1), "unit Main ended");
}

}  // namespace
}  // namespace app
