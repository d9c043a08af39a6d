// The emulated machine's virtual time on one thread: Sleep, the time of day, and the event and
// wait rules that need no other thread.
#include <gtest/gtest.h>

#include "emu/machine.h"

namespace emu {
namespace {

using platform::Handle;

TEST(MachineClock, SleepMovesOnlyVirtualTime) {
  Machine machine;
  EXPECT_EQ(machine.NowMs(), 0u);
  machine.Sleep(10);
  machine.Sleep(57000);
  machine.Sleep(0);
  EXPECT_EQ(machine.NowMs(), 57010u);
  EXPECT_EQ(machine.SleepsOfThisThread(), (std::vector<uint32_t>{10, 57000, 0}));
  const auto all = machine.Sleeps();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].ms, 57000u);
  EXPECT_EQ(all[1].atMs, 10u);
  EXPECT_EQ(all[1].thread, machine.ThisThreadIndex());
}

TEST(MachineClock, ClockBaseAndSeparateMachines) {
  Machine first;
  first.Sleep(500);
  Machine second;
  second.SetClockBase(7000);
  EXPECT_EQ(second.NowMs(), 7000u);
  EXPECT_EQ(first.NowMs(), 500u);
  EXPECT_TRUE(second.SleepsOfThisThread().empty());
}

TEST(MachineClock, TimeOfDayFollowsTheThreadsClock) {
  struct Case {
    uint32_t base;
    uint32_t sleepMs;
    uint32_t expected;
  };
  const Case cases[] = {{0, 0, 0},        {3600, 999, 3600},      {3600, 1000, 3601},
                        {86399, 1000, 0}, {86399, 10500, 9},     {90000, 0, 3600}};
  for (const Case& c : cases) {
    Machine machine;
    machine.SetTimeOfDayBase(c.base);
    machine.Sleep(c.sleepMs);
    EXPECT_EQ(platform::TimeOfDaySeconds(machine), c.expected) << c.base << "+" << c.sleepMs;
  }
}

TEST(MachineEvents, HandlesAndLifetime) {
  Machine machine;
  machine.AddLetter('E', platform::kDriveCdrom, std::make_shared<Drive>());
  const Handle a = machine.CreateEventA(true, false);
  const Handle b = machine.CreateEventA(true, false);
  const Handle device = machine.CreateFileA("\\\\.\\E:", platform::kGenericRead | platform::kGenericWrite, 3,
                                            platform::kOpenExisting, 0);
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(device, a);
  EXPECT_NE(device, b);
  EXPECT_EQ(machine.LiveEvents(), 2u);
  EXPECT_EQ(machine.CloseHandle(a), 0);    // events close through CloseEvent
  EXPECT_EQ(machine.CloseEvent(device), 0);
  EXPECT_EQ(machine.CloseEvent(a), 1);
  EXPECT_EQ(machine.CloseEvent(a), 0);
  EXPECT_EQ(machine.SetEvent(a), 0);
  EXPECT_EQ(machine.ResetEvent(a), 0);
  EXPECT_EQ(machine.WaitForSingleObject(a, 100), platform::kWaitFailed);
  EXPECT_EQ(machine.WaitForSingleObject(device, 100), platform::kWaitFailed);
  EXPECT_EQ(machine.LiveEvents(), 1u);
}

TEST(MachineEvents, WaitRulesWithoutAManager) {
  Machine machine;
  const Handle manual = machine.CreateEventA(true, false);
  const Handle automatic = machine.CreateEventA(false, true);

  EXPECT_EQ(machine.WaitForSingleObject(manual, 250), platform::kWaitTimeout);
  EXPECT_EQ(machine.NowMs(), 250u);
  EXPECT_EQ(machine.WaitForSingleObject(manual, 0), platform::kWaitTimeout);
  EXPECT_EQ(machine.WaitForSingleObject(manual, platform::kInfinite), platform::kWaitFailed);  // would hang
  EXPECT_EQ(machine.NowMs(), 250u);

  EXPECT_EQ(machine.SetEvent(manual), 1);  // signalled at the caller's time
  EXPECT_EQ(machine.WaitForSingleObject(manual, 100), platform::kWaitObject0);
  EXPECT_EQ(machine.WaitForSingleObject(manual, 100), platform::kWaitObject0);  // manual: stays set
  EXPECT_EQ(machine.NowMs(), 250u);
  EXPECT_EQ(machine.ResetEvent(manual), 1);
  EXPECT_EQ(machine.WaitForSingleObject(manual, 100), platform::kWaitTimeout);

  EXPECT_EQ(machine.WaitForSingleObject(automatic, 100), platform::kWaitObject0);
  EXPECT_EQ(machine.WaitForSingleObject(automatic, 100), platform::kWaitTimeout);  // consumed
  EXPECT_EQ(machine.NowMs(), 450u);
}

}  // namespace
}  // namespace emu
