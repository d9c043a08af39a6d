// What an unattended run (and the window) may claim: status 0 only from a run that ended with every
// ticked drive updated; a close during the run waits for its end, one before it has a status of
// its own; no box on any path; an exception is reported (box, or the log unattended), never ends
// the loop while a drive is written and never comes out as success; an invalid reference checksum
// stops an unattended run before any drive is touched.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "app/program.h"
#include "app_harness.h"
#include "scsi/cdb.h"
#include "settings/verify_checksum.h"
#include "ui/exception.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;
using testing::kUpdateOk;

constexpr char kCloseRefused[] =
    "message | The window's close was refused: the program ends when the update run has ended, with its status.";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int Count(const emu::Drive& drive, uint8_t opcode) {
  int n = 0;
  for (const emu::CommandRecord& c : drive.Log()) n += c.cdb[0] == opcode ? 1 : 0;
  return n;
}

// The whole program as FLASH.EXE runs it; what the test posts runs inside its message loop.
int RunWhole(AppHarness& h, const std::string& commandLine) {
  h.layer = std::make_unique<scsi::ScsiLayer>(h.machine.Platform());
  const Machine machine{*h.layer, h.machine, h.machine, h.clock, h.profile, h.shell, update::kEmbeddedImage,
                          h.logFiles};
  return RunProgram(h.backend, machine, commandLine);
}

TForm1& StartPressed(AppHarness& h) {
  h.options = ParseOptions("/AUTO");
  TForm1& form = h.Start();
  h.backend.FireTimer(*form.autoPress);
  return form;
}

// A close while the run is under way, whether its drive has already failed or is being written:
// refused and logged without a box; the run goes on to its end, whose status ends the program.
struct CloseCase {
  std::string name;
  bool failsAtReadiness;
  int status;
};

const CloseCase kCloses[] = {
    {"FifteenSecondsIntoARunWhoseDriveFailedAtReadiness", true, kExitFailed},
    {"DuringTheWrite", false, kExitAllUpdated},
};

class UnattendedClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(UnattendedClose, WaitsForTheRunWhoseStatusEndsTheProgram) {
  const CloseCase& c = GetParam();
  AppHarness h;
  auto drive = h.AddDrive();
  if (c.failsAtReadiness) {
    drive->SetMedium(emu::Medium::TrayOpen);
  } else {
    h.clock.Hold(update::kRestartWaitRestMs);  // the worker stays in its restart wait, after the 49 blocks
  }
  TForm1& form = StartPressed(h);
  form.Show();
  if (c.failsAtReadiness) h.WaitForWorkers();
  for (int tick = 0; tick < 17; ++tick) h.backend.FireTimer(*form.TimerPB);
  form.Close();
  form.Close();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(h.backend.PendingMessages(), 0u) << "no quit request";
  EXPECT_TRUE(h.shell.calls.empty());
  h.clock.Release();
  h.WaitForWorkers();
  TicksUntilEnd(h);

  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit " + std::to_string(c.status)});
  const std::string log = h.LogText();
  EXPECT_TRUE(Contains(log, "==== update run ")) << log;
  EXPECT_TRUE(Contains(log, std::string(kCloseRefused) + "\r\n")) << log;
  EXPECT_TRUE(Contains(log, "message | Exit status " + std::to_string(c.status) + "\r\n")) << log;
  EXPECT_EQ(drive->Restarts(), c.failsAtReadiness ? 0 : 1);
  EXPECT_EQ(Count(*drive, scsi::cdb::kOpWriteFirmwareBlock), c.failsAtReadiness ? 0 : 49);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnattendedClose, ::testing::ValuesIn(kCloses),
                         [](const auto& tp) { return tp.param.name; });

TEST(UnattendedClose, BeforeThePressEndsWithAStatusOfItsOwnAndTouchesNoDrive) {
  AppHarness h;
  auto drive = h.AddDrive();
  h.backend.Post([] { MainUnit::Current().Form1->Close(); });
  EXPECT_EQ(RunWhole(h, "/AUTO"), kExitNoRun);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(Count(*drive, scsi::cdb::kOpTestUnitReady), 0);
  EXPECT_EQ(drive->Restarts(), 0);
  EXPECT_FALSE(Contains(h.LogText(), "==== update run ")) << h.LogText();
  EXPECT_TRUE(Contains(h.LogText(), "message | The window was closed before the update run started.\r\n"))
      << h.LogText();
  EXPECT_TRUE(Contains(h.LogText(), "message | Exit status 6\r\n")) << h.LogText();
}

// Without /AUTO the window closes as it always did once no drive is written; meanwhile the box.
TEST(AttendedClose, IsRefusedWithTheBoxOnlyWhileADriveIsWritten) {
  AppHarness h;
  h.AddDrive();
  h.clock.Hold(update::kRestartWaitRestMs);
  TForm1& form = h.Start();
  form.Show();
  form.ButtonFlashClick(nullptr);
  form.Close();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{
                              "The firmware is still being written. Please wait until the update has finished."});
  h.clock.Release();
  h.WaitForWorkers();
  form.Close();
  EXPECT_FALSE(form.Visible());
}

// Every path that shows a box in the window, taken unattended: its text goes to the log, no box.
// (An invalid setting and an exception before the loop end the program before the window has a
// run; they have their own tests below.)
struct SilentCase {
  std::string name;
  std::function<void(AppHarness&)> before;  // drives and FLASH.INI
  std::function<void(AppHarness&)> during;  // after the press
  std::string logged;
  int status;
};

const SilentCase kSilentPaths[] = {
    {"RefusedClose", [](AppHarness& h) { h.AddDrive(); h.clock.Hold(update::kRestartWaitRestMs); },
     [](AppHarness& h) {
       h.form->Close();
       h.clock.Release();
     },
     kCloseRefused, kExitAllUpdated},
    {"NoDrive", [](AppHarness&) {}, [](AppHarness&) {}, "message | No drive is selected", kExitNoDrive},
    {"NoRowTicked",
     [](AppHarness& h) {
       h.AddDrive();
       h.backend.Post([&h] { h.form->rows[0]->SetChecked(false); });
     },
     [](AppHarness&) {}, "message | No drive is selected", kExitNoDrive},
    {"StartupMessage",
     [](AppHarness& h) {
       h.AddDrive();
       h.WriteIni("[FIRMWARE]\r\nPATH=C:\\NOWHERE\\NONE.CVT\r\n");
     },
     [](AppHarness&) {}, "message | Read NG", kExitAllUpdated},
    {"ExceptionDuringTheRun", [](AppHarness& h) { h.AddDrive(); },
     [](AppHarness& h) {
       h.backend.Post([] { throw std::bad_alloc(); });
       h.application->ProcessMessages();
     },
     std::string("message | Error: ") + std::bad_alloc().what(), kExitAllUpdated},
};

class UnattendedSilence : public ::testing::TestWithParam<SilentCase> {};

TEST_P(UnattendedSilence, LogsTheMessageAndShowsNoBox) {
  const SilentCase& c = GetParam();
  AppHarness h;
  c.before(h);
  h.options = ParseOptions("/AUTO");
  TForm1& form = h.Start();
  form.Show();
  h.application->ProcessMessages();
  h.backend.FireTimer(*form.autoPress);
  c.during(h);
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_TRUE(h.backend.MessageBoxes().empty()) << h.BoxTexts()[0];
  EXPECT_TRUE(Contains(h.LogText(), c.logged + "\r\n")) << h.LogText();
  ASSERT_FALSE(h.shell.calls.empty());
  EXPECT_EQ(h.shell.calls.back(), "Exit " + std::to_string(c.status));
}

INSTANTIATE_TEST_SUITE_P(Paths, UnattendedSilence, ::testing::ValuesIn(kSilentPaths),
                         [](const auto& tp) { return tp.param.name; });

// The window's creation fails (the system refuses a window): the standard display, or unattended
// a line of the log; either way the program ends with a failure status, and no drive is written.
TEST(ProgramEntry, AnExceptionBeforeTheLoopIsReportedAndEndsWithAFailureStatus) {
  for (const bool unattended : {false, true}) {
    AppHarness h;
    auto drive = h.AddDrive();
    h.backend.FailWidgetCreation();
    EXPECT_EQ(RunWhole(h, unattended ? "/AUTO" : ""), kExitError) << unattended;
    EXPECT_EQ(drive->Restarts(), 0);
    if (unattended) {
      EXPECT_TRUE(h.backend.MessageBoxes().empty());
      EXPECT_TRUE(Contains(h.LogText(), "message | Error: Error creating window\r\n")) << h.LogText();
      EXPECT_TRUE(Contains(h.LogText(), "message | Exit status 7\r\n")) << h.LogText();
    } else {
      ASSERT_EQ(h.backend.MessageBoxes().size(), 1u);
      EXPECT_EQ(h.backend.MessageBoxes()[0].text, "Error creating window");
      EXPECT_EQ(h.backend.MessageBoxes()[0].flags, ui::kMbOk | ui::kMbIconHand | ui::kMbTaskModal);
    }
  }
}

// Without even the widget back end no box can be shown: the error status, and unattended the log.
TEST(ProgramEntry, NoBackEndEndsWithTheErrorStatusAndUnattendedALogLine) {
  AppHarness h;
  scsi::ScsiLayer layer(h.machine.Platform());
  const Machine machine{layer, h.machine, h.machine, h.clock, h.profile, h.shell, update::kEmbeddedImage,
                          h.logFiles};
  EXPECT_EQ(EndWithoutWindow(machine, "/AUTO", ui::Exception("Error creating window")), kExitError);
  EXPECT_TRUE(Contains(h.LogText(), "message | Error: Error creating window\r\n")) << h.LogText();
  EXPECT_TRUE(Contains(h.LogText(), "message | Exit status 7\r\n")) << h.LogText();
  EXPECT_FALSE(MainUnit::Running());
}

// An exception from a handler while a drive is written (an allocation failing, say): reported, and
// the loop goes on, so the run ends as usual and the program does not end under the worker.
TEST(ExceptionInTheLoop, IsShownAndTheRunEndsAsUsual) {
  AppHarness h;
  auto drive = h.AddDrive();
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  h.backend.Post([&] { form.ButtonFlashClick(nullptr); });
  h.backend.Post([] { throw std::bad_alloc(); });
  h.backend.Post([&] {
    h.WaitForWorkers();
    TicksUntilEnd(h);
  });
  h.application->Run();
  EXPECT_EQ(h.BoxTexts(), (std::vector<std::string>{std::bad_alloc().what(), kUpdateOk}));
  EXPECT_EQ(drive->Restarts(), 1);
  EXPECT_FALSE(form.RunActive());
  EXPECT_TRUE(form.ButtonFlash->Enabled());
}

// Unattended with no run under way nothing would ever end the program: it ends with the error's
// status, before any drive is touched.
TEST(ExceptionInTheLoop, UnattendedBeforeThePressEndsWithTheErrorStatus) {
  AppHarness h;
  auto drive = h.AddDrive();
  h.options = ParseOptions("/AUTO");
  h.Start();
  h.backend.Post([] { throw ui::Exception("Out of system resources"); });
  h.application->ProcessMessages();
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit 7"});
  EXPECT_TRUE(Contains(h.LogText(), "message | Error: Out of system resources\r\n")) << h.LogText();
  EXPECT_EQ(Count(*drive, scsi::cdb::kOpTestUnitReady), 0);
}

// The bench asked to verify: an invalid reference stops the unattended run before the window,
// so no command reaches a drive; the window keeps its start-up message (the verification table).
TEST(UnattendedReference, AnInvalidOneStopsBeforeAnyDriveIsTouched) {
  for (const char* value : {"0x1244", "70000", "12G4h"}) {
    AppHarness h;
    auto drive = h.AddDrive();
    h.WriteIni(std::string("[VERIFY]\r\nCHECKSUM=") + value + "\r\n");
    EXPECT_EQ(RunWhole(h, "/AUTO"), kExitBadReference) << value;
    EXPECT_TRUE(drive->Log().empty()) << value;
    EXPECT_TRUE(h.backend.MessageBoxes().empty());
    EXPECT_TRUE(Contains(h.LogText(), "message | " + settings::InvalidVerifyMessage(value) + "\r\n")) << h.LogText();
    EXPECT_TRUE(Contains(h.LogText(), "message | Exit status 8\r\n")) << h.LogText();
  }
}

}  // namespace
}  // namespace app
