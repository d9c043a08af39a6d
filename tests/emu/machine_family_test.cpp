// The emulated machine's two families: what the token calls, the restart and a thread start do on
// Windows 2000/XP and on Windows 98 SE (docs/ARCHITECTURE.md, "The 98 SE personality").
#include <gtest/gtest.h>

#include <atomic>

#include "emu/machine.h"
#include "platform/shell.h"
#include "platform/threads.h"

namespace emu {
namespace {

using Family = Machine::Family;

TEST(MachineFamily, SetsThePlatformIdOfItsFamily) {
  Machine machine;
  EXPECT_EQ(platform::PlatformId(machine), platform::kPlatformWin32NT);
  machine.SetFamily(Family::Consumer);
  EXPECT_EQ(platform::PlatformId(machine), platform::kPlatformWin32Windows);
  machine.SetFamily(Family::Nt);
  EXPECT_EQ(platform::PlatformId(machine), platform::kPlatformWin32NT);
}

// 98 SE's ADVAPI32 token calls are stubs: FALSE, ERROR_CALL_NOT_IMPLEMENTED, nothing written.
TEST(MachineFamily, ConsumerTokenCallsFailAsNotImplementedAndTheRestartNeedsNoPrivilege) {
  Machine machine;
  machine.SetFamily(Family::Consumer);
  platform::Handle token = 55;
  EXPECT_EQ(machine.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery, &token), 0);
  EXPECT_EQ(machine.GetLastError(), platform::kErrorCallNotImplemented);
  EXPECT_EQ(token, 55u);
  platform::Luid luid;
  EXPECT_EQ(machine.LookupPrivilegeValueA(platform::kSeShutdownName, &luid), 0);
  EXPECT_EQ(machine.GetLastError(), platform::kErrorCallNotImplemented);
  EXPECT_EQ(machine.AdjustTokenPrivileges(55, luid, platform::kSePrivilegeEnabled), 0);
  EXPECT_EQ(machine.GetLastError(), platform::kErrorCallNotImplemented);
  EXPECT_EQ(machine.ExitWindowsEx(platform::kEwxReboot, 0), 1);
  EXPECT_EQ(machine.AcceptedRestarts(), std::vector<uint32_t>{platform::kEwxReboot});
}

TEST(MachineFamily, NtRestartsOnlyOnceTheShutdownPrivilegeIsEnabled) {
  Machine machine;
  EXPECT_EQ(machine.ExitWindowsEx(platform::kEwxReboot, 0), 0);
  EXPECT_EQ(machine.GetLastError(), 1314u);  // ERROR_PRIVILEGE_NOT_HELD
  platform::Handle token = 0;
  ASSERT_EQ(machine.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery, &token), 1);
  EXPECT_EQ(machine.OpenTokenHandles(), 1u);
  platform::Luid luid;
  ASSERT_EQ(machine.LookupPrivilegeValueA(platform::kSeShutdownName, &luid), 1);
  EXPECT_EQ(machine.AdjustTokenPrivileges(token, luid, platform::kSePrivilegeEnabled), 1);
  EXPECT_EQ(machine.GetLastError(), 0u);
  EXPECT_EQ(machine.CloseHandle(token), 1);
  EXPECT_EQ(machine.OpenTokenHandles(), 0u);
  EXPECT_EQ(machine.ExitWindowsEx(platform::kEwxReboot, 0), 1);
  EXPECT_EQ(machine.AcceptedRestarts(), std::vector<uint32_t>{platform::kEwxReboot});
}

TEST(MachineFamily, NtAdjustSucceedsWithNotAllAssignedWhenThePrivilegeIsNotHeld) {
  Machine machine;
  machine.SetShutdownPrivilegeHeld(false);
  platform::Handle token = 0;
  ASSERT_EQ(machine.OpenProcessToken(platform::kTokenAdjustPrivileges, &token), 1);
  platform::Luid luid;
  ASSERT_EQ(machine.LookupPrivilegeValueA(platform::kSeShutdownName, &luid), 1);
  EXPECT_EQ(machine.AdjustTokenPrivileges(token, luid, platform::kSePrivilegeEnabled), 1);
  EXPECT_EQ(machine.GetLastError(), 1300u);  // ERROR_NOT_ALL_ASSIGNED
  EXPECT_EQ(machine.ExitWindowsEx(platform::kEwxReboot, 0), 0);
  EXPECT_TRUE(machine.AcceptedRestarts().empty());
}

// The program's thread passes a thread-id pointer, so it starts on 95/98/Me too.
TEST(MachineFamily, ConsumerFamilyStartsTheProgramsThreads) {
  Machine machine;
  machine.SetFamily(Family::Consumer);
  std::atomic<bool> ran{false};
  platform::Thread thread([&] { ran = true; });
  thread.Join();
  EXPECT_TRUE(ran.load());
}

}  // namespace
}  // namespace emu
