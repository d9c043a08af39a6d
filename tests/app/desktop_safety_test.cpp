// The guards of a run on a desktop, with the emulated machine answering as each Windows version
// would: one copy at a time, the system kept awake while drives are written, the battery check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/desktop_safety.h"
#include "app/program.h"
#include "app_harness.h"
#include "ui/exception.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;

constexpr uint32_t kAwake = platform::kEsContinuous | platform::kEsSystemRequired;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Personality {
  const char* name;
  uint32_t platformId;
  uint32_t major;
  uint32_t minor;
  bool executionState;  // the kernel exports SetThreadExecutionState
};

const Personality kSystems[] = {
    {"Windows95", platform::kPlatformWin32Windows, 4, 0, false},
    {"Windows98SE", platform::kPlatformWin32Windows, 4, 10, true},
    {"WindowsMe", platform::kPlatformWin32Windows, 4, 90, true},
    {"WindowsNT4", platform::kPlatformWin32NT, 4, 0, false},
    {"Windows2000", platform::kPlatformWin32NT, 5, 0, true},
    {"WindowsXP", platform::kPlatformWin32NT, 5, 1, true},
    {"WindowsVista", platform::kPlatformWin32NT, 6, 0, true},
};

// A harness on that system with one accepted drive on the back end the system takes.
void BecomeSystem(AppHarness& h, const Personality& system) {
  h.backEnd = system.platformId == platform::kPlatformWin32Windows ? test_support::kAspi : test_support::kPassThrough;
  h.AddDrive();
  h.machine.SetPlatformId(system.platformId);
  emu::Machine::DesktopSystem desktop;
  desktop.majorVersion = system.major;
  desktop.minorVersion = system.minor;
  desktop.executionStateExported = system.executionState;
  h.machine.SetDesktopSystem(desktop);
}

class OneCopyOn : public ::testing::TestWithParam<Personality> {};

// The first copy (standing in for another FLASH.EXE of the same machine) holds the name; the
// second ends with its status before it opens a drive or sends a command, with a box, or
// unattended a line of the log.
TEST_P(OneCopyOn, SecondCopyEndsBeforeAnyDriveIsOpened) {
  for (const bool unattended : {false, true}) {
    SCOPED_TRACE(unattended ? "/AUTO" : "interactive");
    AppHarness h;
    BecomeSystem(h, GetParam());
    const OneCopy first(&h.machine, h.machine, h.machine);
    ASSERT_FALSE(first.AnotherRunning());
    ASSERT_EQ(h.machine.OpenMutexHandles(), 1u) << "the name this system refuses: " << h.machine.MutexNames()[0];

    scsi::ScsiLayer layer(h.machine.Platform());
    const int status = RunProgram(h.backend, h.ProgramMachine(layer), unattended ? "/AUTO" : "");
    EXPECT_EQ(status, kExitAnotherCopy);
    EXPECT_TRUE(h.drives[0]->Log().empty());
    EXPECT_TRUE(h.machine.Opens().empty());
    const std::vector<std::string> names = h.machine.MutexNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1], names[0]);
    EXPECT_EQ(h.machine.OpenMutexHandles(), 1u);  // the second copy gave its handle back
    if (unattended) {
      EXPECT_TRUE(h.backend.MessageBoxes().empty());
      EXPECT_TRUE(Contains(h.LogText(), std::string("message | ") + kAnotherCopyRunning + "\r\n")) << h.LogText();
    } else {
      EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kAnotherCopyRunning});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Systems, OneCopyOn, ::testing::ValuesIn(kSystems),
                         [](const auto& tp) { return std::string(tp.param.name); });

// The copy that runs holds the name for as long as it runs and gives it back at its end, so a
// copy started afterwards runs.
TEST(OneCopy, TheRunningCopyHoldsTheNameUntilItEnds) {
  AppHarness h;
  h.AddDrive();
  scsi::ScsiLayer layer(h.machine.Platform());
  size_t heldWhileRunning = 0;
  h.backend.Post([&] { heldWhileRunning = h.machine.OpenMutexHandles(); });
  EXPECT_EQ(RunProgram(h.backend, h.ProgramMachine(layer), ""), 0);
  EXPECT_EQ(heldWhileRunning, 1u);
  EXPECT_EQ(h.machine.OpenMutexHandles(), 0u);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_FALSE(h.drives[0]->Log().empty());  // it scanned its drive

  scsi::ScsiLayer again(h.machine.Platform());
  EXPECT_EQ(RunProgram(h.backend, h.ProgramMachine(again), ""), 0);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}

// A copy in another user's session holds the global name; this one may not even open it.
TEST(OneCopy, ACopyOfAnotherUserAlsoCounts) {
  AppHarness h;
  h.AddDrive();
  h.machine.HoldMutexElsewhere(OneCopyMutexName(platform::OsVersion{5, 1, platform::kPlatformWin32NT}));
  scsi::ScsiLayer layer(h.machine.Platform());
  EXPECT_EQ(RunProgram(h.backend, h.ProgramMachine(layer), ""), kExitAnotherCopy);
  EXPECT_TRUE(h.drives[0]->Log().empty());
}

// Without the desktop calls (the platform offers none) the program runs as it always has.
TEST(OneCopy, NoDesktopCallsNoGuard) {
  AppHarness h;
  h.AddDrive();
  scsi::ScsiLayer layer(h.machine.Platform());
  Machine machine = h.ProgramMachine(layer);
  machine.desktop = nullptr;
  const OneCopy first(&h.machine, h.machine, h.machine);
  EXPECT_EQ(RunProgram(h.backend, machine, ""), 0);
  EXPECT_FALSE(h.drives[0]->Log().empty());
}

// --- The system kept awake from the Flash command to the run's end ---------------------------

std::vector<uint32_t> ExecutionStates(const AppHarness& h) {
  std::vector<uint32_t> flags;
  for (const auto& call : h.machine.ExecutionStateCalls()) flags.push_back(call.flags);
  return flags;
}

void AnswerAll(AppHarness& h, int answer) {
  h.backend.SetMessageBoxResponder([answer](const auto&) { return answer; });
}

struct EndingCase {
  const char* name;
  testing::DriveSpec drive;
  bool untickAll;
  bool unattended;
  std::vector<uint32_t> calls;
};

const testing::DriveSpec kAccepted{};
const testing::DriveSpec kWrong{"ACME", "WRITER", "9.99"};

const EndingCase kEndings[] = {
    {"Report", kAccepted, false, false, {kAwake, platform::kEsContinuous}},
    {"AllRefused", kWrong, false, false, {kAwake, platform::kEsContinuous}},
    {"NoRowTickedNeverHoldsIt", kAccepted, true, false, {}},
    {"UnattendedEnd", kAccepted, false, true, {kAwake, platform::kEsContinuous}},
};

class KeepAwakeEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(KeepAwakeEnding, SetOnceAtFlashAndResetAtTheEnd) {
  const EndingCase& c = GetParam();
  AppHarness h;
  h.AddDrive(c.drive);
  h.options.autoRun = c.unattended;
  AnswerAll(h, ui::kIdCancel);
  TForm1& form = h.Start();
  if (c.untickAll) form.rows[0]->SetChecked(false);
  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  EXPECT_EQ(h.machine.ContinuousExecutionState(), c.calls.empty() ? 0u : kAwake);
  h.clock.Release();
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_EQ(ExecutionStates(h), c.calls);
  EXPECT_EQ(h.machine.ContinuousExecutionState(), 0u);
  for (const auto& call : h.machine.ExecutionStateCalls()) EXPECT_EQ(call.thread, h.machine.ThisThreadIndex());
  if (c.unattended) {
    EXPECT_EQ(h.shell.calls.back(), "Exit 0");
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, KeepAwakeEnding, ::testing::ValuesIn(kEndings),
                         [](const auto& tp) { return std::string(tp.param.name); });

// An exception that leaves the message loop ends the program; the state is given back with it.
TEST(KeepAwake, ResetWhenAnExceptionEndsTheProgram) {
  AppHarness h;
  h.AddDrive();
  scsi::ScsiLayer layer(h.machine.Platform());
  uint32_t duringRun = 0;
  h.backend.Post([&] {
    MainUnit::Current().Form1->ButtonFlashClick(nullptr);
    duringRun = h.machine.ContinuousExecutionState();
  });
  h.backend.Post([] { throw ui::Exception("Error creating window"); });
  RunProgram(h.backend, h.ProgramMachine(layer), "");
  EXPECT_EQ(duringRun, kAwake);
  EXPECT_EQ(ExecutionStates(h), (std::vector<uint32_t>{kAwake, platform::kEsContinuous}));
  EXPECT_EQ(h.machine.ContinuousExecutionState(), 0u);
}

class KeepAwakeOn : public ::testing::TestWithParam<Personality> {};

// Where the kernel lacks the call (95, NT 4) nothing is called and the run updates the drive.
TEST_P(KeepAwakeOn, RunsWithOrWithoutTheCall) {
  AppHarness h;
  BecomeSystem(h, GetParam());
  AnswerAll(h, ui::kIdCancel);
  TForm1& form = h.Start();
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(h.drives[0]->Restarts(), 1);
  const std::vector<uint32_t> expected =
      GetParam().executionState ? std::vector<uint32_t>{kAwake, platform::kEsContinuous} : std::vector<uint32_t>{};
  EXPECT_EQ(ExecutionStates(h), expected);
  EXPECT_EQ(h.machine.ContinuousExecutionState(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Systems, KeepAwakeOn, ::testing::ValuesIn(kSystems),
                         [](const auto& tp) { return std::string(tp.param.name); });

// The suspend query is refused only while a worker writes; a suspend or resume during the run
// is logged, outside a run it is not.
TEST(PowerBroadcast, SuspendDeniedOnlyWhileAWorkerIsBusy) {
  AppHarness h;
  h.AddDrive();
  AnswerAll(h, ui::kIdCancel);
  TForm1& form = h.Start();
  EXPECT_FALSE(form.PowerBroadcast(kPbtApmQuerySuspend));
  form.PowerBroadcast(kPbtApmSuspend);
  EXPECT_FALSE(Contains(h.LogText(), "sleep")) << h.LogText();

  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  EXPECT_TRUE(form.PowerBroadcast(kPbtApmQuerySuspend));
  EXPECT_FALSE(form.PowerBroadcast(kPbtApmSuspend));  // only a query can be refused
  EXPECT_FALSE(form.PowerBroadcast(kPbtApmResumeAutomatic));
  const std::string log = h.LogText();
  EXPECT_TRUE(Contains(log, "message | The computer is going to sleep while drives are being written.\r\n")) << log;
  EXPECT_TRUE(Contains(log, "message | The computer woke up from sleep during the update.\r\n")) << log;

  h.clock.Release();
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_FALSE(form.PowerBroadcast(kPbtApmQuerySuspend));
}

// --- Not on a low battery ------------------------------------------------------------------------

struct PowerCase {
  const char* name;
  platform::SystemPowerStatus status;
  bool answers;  // GetSystemPowerStatus succeeds
  const char* charge;  // in the question; nullptr: no question
};

platform::SystemPowerStatus Power(uint8_t ac, uint8_t flag, uint8_t percent) {
  return platform::SystemPowerStatus{ac, flag, percent, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
}

const PowerCase kPowerCases[] = {
    {"BatteryAt20Asks", Power(0, 2, 20), true, "20% charge"},
    {"BatteryAt24Asks", Power(0, 2, 24), true, "24% charge"},
    {"BatteryAt25DoesNotAsk", Power(0, 1, 25), true, nullptr},
    {"UnknownLevelOnBatteryAsks", Power(0, 255, 255), true, "an unknown charge"},
    {"MainsWithLowChargingBattery", Power(1, 8 | 2, 10), true, nullptr},
    {"NoSystemBattery", Power(0, 128, 255), true, nullptr},
    {"UnknownSupply", Power(255, 255, 255), true, nullptr},
    {"CallFails", Power(0, 2, 5), false, nullptr},
};

class LowBattery : public ::testing::TestWithParam<PowerCase> {};

// Cancel leaves every drive untouched; OK writes as always.
TEST_P(LowBattery, AsksBeforeWriting) {
  const PowerCase& c = GetParam();
  for (const int answer : {ui::kIdCancel, ui::kIdOk}) {
    AppHarness h;
    h.AddDrive();
    h.AddDrive();
    emu::Machine::DesktopSystem system;
    system.power = c.status;
    system.powerStatusAnswers = c.answers;
    h.machine.SetDesktopSystem(system);
    AnswerAll(h, answer);
    TForm1& form = h.Start();
    for (auto& drive : h.drives) drive->ClearLog();
    form.ButtonFlashClick(nullptr);
    EXPECT_EQ(h.machine.PowerStatusCalls(), 1);
    if (c.charge == nullptr) {
      EXPECT_TRUE(h.backend.MessageBoxes().empty());
    } else {
      ASSERT_FALSE(h.backend.MessageBoxes().empty());
      const auto& box = h.backend.MessageBoxes()[0];
      EXPECT_TRUE(Contains(box.text, std::string("running on battery with ") + c.charge + " left.")) << box.text;
      EXPECT_EQ(box.flags & 0xF, ui::kMbOkCancel);
      EXPECT_EQ(box.caption, form.Caption());
    }
    const bool runs = c.charge == nullptr || answer == ui::kIdOk;
    h.WaitForWorkers();
    if (runs) {
      TicksUntilEnd(h);
      for (auto& drive : h.drives) EXPECT_EQ(drive->Restarts(), 1);
    } else {
      for (auto& drive : h.drives) EXPECT_TRUE(drive->Log().empty());
      EXPECT_FALSE(h.backend.TimerRunning(*form.TimerPB));
      EXPECT_TRUE(form.ButtonFlash->Enabled());
      EXPECT_TRUE(form.rows[0]->Enabled());
      EXPECT_TRUE(ExecutionStates(h).empty());
      EXPECT_TRUE(h.LogText().empty()) << h.LogText();
    }
    if (c.charge == nullptr) break;  // no question: the answer does not matter
  }
}

INSTANTIATE_TEST_SUITE_P(Statuses, LowBattery, ::testing::ValuesIn(kPowerCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(LowBattery, UnattendedRefusesWithItsStatus) {
  AppHarness h;
  h.AddDrive();
  h.options.autoRun = true;
  h.machine.SetPowerStatus(Power(0, 2, 20));
  TForm1& form = h.Start();
  h.drives[0]->ClearLog();
  form.ButtonFlashClick(nullptr);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit " + std::to_string(kExitLowBattery)});
  EXPECT_TRUE(h.drives[0]->Log().empty());
  EXPECT_TRUE(Contains(h.LogText(), "message | This computer is running on battery with 20% charge left. The update "
                                    "was not started; connect the power supply.\r\n"))
      << h.LogText();
  EXPECT_TRUE(Contains(h.LogText(), "message | Exit status 10\r\n"));
}

}  // namespace
}  // namespace app
