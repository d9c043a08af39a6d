// The guards of a run on a desktop, with the emulated machine answering as each Windows version
// would: one copy at a time, the system kept awake while drives are written, the battery check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/desktop_safety.h"
#include "app/program.h"
#include "app_harness.h"

namespace app {
namespace {

using testing::AppHarness;

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
  h.aspi = system.platformId == platform::kPlatformWin32Windows;
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
    const OneCopy first(&h.machine);
    ASSERT_FALSE(first.AnotherRunning());
    ASSERT_EQ(h.machine.OpenMutexHandles(), 1u) << "the name this system refuses: " << h.machine.MutexNames()[0];

    scsi::ScsiLayer layer(h.machine.Platform());
    const int status = RunProgram(h.backend, h.ProgramServices(layer), unattended ? "/AUTO" : "");
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
  EXPECT_EQ(RunProgram(h.backend, h.ProgramServices(layer), ""), 0);
  EXPECT_EQ(heldWhileRunning, 1u);
  EXPECT_EQ(h.machine.OpenMutexHandles(), 0u);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_FALSE(h.drives[0]->Log().empty());  // it scanned its drive

  scsi::ScsiLayer again(h.machine.Platform());
  EXPECT_EQ(RunProgram(h.backend, h.ProgramServices(again), ""), 0);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}

// A copy in another user's session holds the global name; this one may not even open it.
TEST(OneCopy, ACopyOfAnotherUserAlsoCounts) {
  AppHarness h;
  h.AddDrive();
  h.machine.HoldMutexElsewhere(OneCopyMutexName(platform::OsVersion{5, 1, platform::kPlatformWin32NT}));
  scsi::ScsiLayer layer(h.machine.Platform());
  EXPECT_EQ(RunProgram(h.backend, h.ProgramServices(layer), ""), kExitAnotherCopy);
  EXPECT_TRUE(h.drives[0]->Log().empty());
}

// Without the desktop calls (the platform offers none) the program runs as it always has.
TEST(OneCopy, NoDesktopCallsNoGuard) {
  AppHarness h;
  h.AddDrive();
  scsi::ScsiLayer layer(h.machine.Platform());
  Services services = h.ProgramServices(layer);
  services.desktop = nullptr;
  const OneCopy first(&h.machine);
  EXPECT_EQ(RunProgram(h.backend, services, ""), 0);
  EXPECT_FALSE(h.drives[0]->Log().empty());
}

}  // namespace
}  // namespace app
