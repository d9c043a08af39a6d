// The drive is the job's alone: the emulated port keeps the exclusive lock as Vista's CD-ROM class
// driver does; each job locks its drive before the readiness test and gives it back at its close,
// a drive another program holds is failed untouched with that program's name, and where the lock
// does not exist every command is what it was.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app_harness.h"
#include "platform/cdrom_exclusive.h"
#include "platform/scsi_records.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"
#include "scsi/exclusive_lock.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WithExclusiveAccess(emu::Machine& machine, bool supported) {
  emu::Machine::DesktopSystem system;
  system.majorVersion = supported ? 6 : 5;
  system.exclusiveAccess = supported;
  machine.SetDesktopSystem(system);
}

// The port itself: one handle locks; the others can ask who holds it but neither open the device
// nor send it a command; the lock goes with its handle.
TEST(ExclusivePort, ASecondHandleIsShutOutWhileLocked) {
  emu::Machine machine;
  WithExclusiveAccess(machine, true);
  const auto drive = test_support::AttachDrives(machine, test_support::kPassThrough, {emu::DriveConfig{}}).front();
  scsi::ScsiLayer layer(machine.Platform());
  scsi::DeviceRef mine = scsi::kClosedRef;
  layer.OpenRef(mine, 0);
  const platform::Handle other = machine.CreateFileA("\\\\.\\E:", platform::kGenericRead | platform::kGenericWrite, 3,
                                                     platform::kOpenExisting, 0);
  ASSERT_NE(other, platform::kInvalidHandle);

  scsi::ExclusiveLock lock;
  ASSERT_EQ(lock.Take(layer, mine), scsi::LockResult::Locked);
  EXPECT_TRUE(machine.LetterLocked('E'));
  EXPECT_EQ(machine.CreateFileA("\\\\.\\E:", platform::kGenericRead | platform::kGenericWrite, 3,
                                platform::kOpenExisting, 0),
            platform::kInvalidHandle);
  platform::PassThroughRequest request{};
  request.sptd.Length = sizeof(platform::ScsiPassThroughDirect);
  request.sptd.CdbLength = 6;
  request.sptd.SenseInfoLength = 32;
  request.sptd.SenseInfoOffset = offsetof(platform::PassThroughRequest, sense);
  request.sptd.TimeOutValue = 10;
  request.sptd.DataIn = 2;  // no data: TEST UNIT READY
  uint32_t returned = 0;
  EXPECT_EQ(machine.DeviceIoControl(other, platform::kIoctlScsiPassThroughDirect, &request, sizeof request, &request,
                                    sizeof request, &returned),
            0);
  EXPECT_TRUE(scsi::TestUnitReadyTimed(layer, mine, 1000));  // the holder's commands go through
  platform::CdromExclusiveAccess query{platform::kExclusiveAccessQueryState, 0};
  platform::CdromExclusiveLockState state{};
  ASSERT_EQ(machine.DeviceIoControl(other, platform::kIoctlCdromExclusiveAccess, &query, sizeof query, &state,
                                    sizeof state, &returned),
            1);
  EXPECT_EQ(state.LockState, 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(state.CallerName), scsi::kExclusiveCallerName);

  layer.CloseRef(mine);  // closed without the unlock: the lock goes with the handle
  EXPECT_FALSE(machine.LetterLocked('E'));
  EXPECT_EQ(machine.DeviceIoControl(other, platform::kIoctlScsiPassThroughDirect, &request, sizeof request, &request,
                                    sizeof request, &returned),
            1);
  machine.CloseHandle(other);
}

std::vector<uint32_t> RequestTypes(const emu::Machine& machine) {
  std::vector<uint32_t> types;
  for (const auto& r : machine.ExclusiveRequests()) types.push_back(r.requestType);
  return types;
}

// Query, lock (after the worker's INQUIRY only), held through the restart wait, unlocked before
// the close.
TEST(ExclusiveJob, LockedBeforeReadinessAndReleasedAtTheClose) {
  AppHarness h;
  h.AddDrive();
  WithExclusiveAccess(h.machine, true);
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  h.clock.Hold(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  for (int i = 0; i < 2000 && h.drives[0]->Restarts() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_TRUE(h.machine.LetterLocked('D')) << "held through the restart wait";
  h.clock.Release();
  h.WaitForWorkers();
  EXPECT_FALSE(h.machine.LetterLocked('D'));
  const auto requests = h.machine.ExclusiveRequests();
  ASSERT_EQ(RequestTypes(h.machine), (std::vector<uint32_t>{platform::kExclusiveAccessQueryState,
                                                            platform::kExclusiveAccessLockDevice,
                                                            platform::kExclusiveAccessUnlockDevice}));
  for (const auto& r : requests) EXPECT_TRUE(r.succeeded);
  EXPECT_EQ(requests[1].caller, scsi::kExclusiveCallerName);
  EXPECT_EQ(requests[1].commandsBefore, 2u) << "the start-up INQUIRY and the job's; no readiness test yet";
  EXPECT_EQ(TicksUntilEnd(h), 101);
  EXPECT_EQ(h.drives[0]->Restarts(), 1);
}

// A job that throws in its restart wait still gives the lock back.
TEST(ExclusiveJob, AThrowingJobReleasesTheLock) {
  AppHarness h;
  h.AddDrive();
  WithExclusiveAccess(h.machine, true);
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  h.clock.ThrowOnce(update::kRestartWaitRestMs);
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  EXPECT_FALSE(h.machine.LetterLocked('D'));
  EXPECT_EQ(RequestTypes(h.machine).back(), platform::kExclusiveAccessUnlockDevice);
  EXPECT_TRUE(h.machine.ExclusiveRequests().back().succeeded);
}

// Another program took the lock while the job identified the drive: the job fails, sends the
// drive nothing after its INQUIRY, and the report and the log name that program.
TEST(ExclusiveJob, ADriveHeldByAnotherProgramIsFailedUntouched) {
  AppHarness h;
  h.AddDrive();
  h.AddDrive();
  WithExclusiveAccess(h.machine, true);
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  const size_t before = h.drives[0]->Log().size();
  h.machine.LockByAnotherProgramAfterCommands('D', "Disc Burner 5.1", before + 1);
  form.ButtonFlashClick(nullptr);
  h.WaitForWorkers();
  EXPECT_EQ(TicksUntilEnd(h), 101);
  const auto log = h.drives[0]->Log();
  ASSERT_EQ(log.size(), before + 1);
  EXPECT_EQ(log.back().cdb[0], scsi::cdb::kOpInquiry);
  EXPECT_EQ(h.drives[0]->Restarts(), 0);
  EXPECT_EQ(h.drives[1]->Restarts(), 1);
  ASSERT_EQ(h.BoxTexts().size(), 1u);
  EXPECT_EQ(h.BoxTexts()[0],
            "Update TEVOR   DVD RW KMR5133(In use by Disc Burner 5.1)  NG. Please cloes all programs. This computer "
            "will be rebooted.");
  EXPECT_TRUE(Contains(h.LogText(), "row 0 | D: | TEVOR   DVD RW KMR5133 | failed | at the exclusive lock | held by "
                                    "Disc Burner 5.1 | "))
      << h.LogText();
}

class WithoutTheLock : public ::testing::TestWithParam<test_support::EmulatedBackEnd> {};

std::vector<std::string> Commands(const emu::Drive& drive) {
  std::vector<std::string> commands;
  for (const auto& c : drive.Log()) {
    std::string text;
    for (uint8_t b : c.cdb) text += std::to_string(b) + ",";
    commands.push_back(text + " " + std::to_string(c.direction) + " " + std::to_string(c.transferLength) + " " +
                       std::to_string(c.timeoutSeconds));
  }
  return commands;
}

// Where no lock exists (2000, XP, Wine; the ASPI back end) and where it does, the drive receives
// exactly the same commands.
TEST_P(WithoutTheLock, EveryCommandIsAsBefore) {
  std::vector<std::vector<std::string>> runs;
  for (const bool supported : {false, true}) {
    AppHarness h;
    h.backEnd = GetParam();
    h.AddDrive();
    WithExclusiveAccess(h.machine, supported);
    h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
    TForm1& form = h.Start();
    form.ButtonFlashClick(nullptr);
    h.WaitForWorkers();
    TicksUntilEnd(h);
    EXPECT_EQ(h.drives[0]->Restarts(), 1);
    const bool locks = supported && GetParam().PassThrough();
    EXPECT_EQ(h.machine.ExclusiveRequests().size(), locks ? 3u : 0u);
    runs.push_back(Commands(*h.drives[0]));
  }
  EXPECT_EQ(runs[0], runs[1]);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, WithoutTheLock, ::testing::ValuesIn(test_support::kBothBackEnds),
                         [](const auto& tp) { return test_support::BackEndName(tp.param); });

// AutoPlay is kept off the drives while a run is active, and only then.
TEST(AutoPlay, CancelledOnlyWhileARunIsActive) {
  AppHarness h;
  h.AddDrive();
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
  TForm1& form = h.Start();
  EXPECT_FALSE(form.QueryCancelAutoPlay());
  form.ButtonFlashClick(nullptr);
  EXPECT_TRUE(form.QueryCancelAutoPlay());
  h.WaitForWorkers();
  TicksUntilEnd(h);
  EXPECT_FALSE(form.QueryCancelAutoPlay());
}

}  // namespace
}  // namespace app
