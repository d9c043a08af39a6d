// The event adapter against the real calls: the reset modes and initial states reach Windows, waits
// time out or see a signal set by another thread, and a closed event cannot be waited on.
#include <gtest/gtest.h>


#include "platform/threads.h"
#include "platform/win32/win32_sync.h"

namespace platform::win32 {
namespace {

struct EventCase {
  const char* name;
  bool manualReset;
  bool initialState;
  uint32_t firstWait;   // WaitForSingleObject(0) right after creation
  uint32_t secondWait;  // and once more after SetEvent and one satisfied wait
};

const EventCase kEventCases[] = {
    {"manual, clear", true, false, kWaitTimeout, kWaitObject0},
    {"manual, set", true, true, kWaitObject0, kWaitObject0},
    {"automatic, clear", false, false, kWaitTimeout, kWaitTimeout},
    {"automatic, set", false, true, kWaitObject0, kWaitTimeout},
};

TEST(Win32Sync, ResetModeAndInitialStateReachWindows) {
  Win32Sync sync;
  for (const EventCase& c : kEventCases) {
    const Handle event = sync.CreateEventA(c.manualReset, c.initialState);
    ASSERT_NE(event, 0) << c.name;
    EXPECT_EQ(sync.WaitForSingleObject(event, 0), c.firstWait) << c.name;
    EXPECT_NE(sync.SetEvent(event), 0) << c.name;
    EXPECT_EQ(sync.WaitForSingleObject(event, 0), kWaitObject0) << c.name;
    EXPECT_EQ(sync.WaitForSingleObject(event, 0), c.secondWait) << c.name;
    EXPECT_NE(sync.CloseEvent(event), 0) << c.name;
  }
}

TEST(Win32Sync, ResetClearsAManualEvent) {
  Win32Sync sync;
  const Handle event = sync.CreateEventA(true, true);
  ASSERT_NE(event, 0);
  EXPECT_NE(sync.ResetEvent(event), 0);
  EXPECT_EQ(sync.WaitForSingleObject(event, 0), kWaitTimeout);
  EXPECT_EQ(sync.WaitForSingleObject(event, 20), kWaitTimeout);
  EXPECT_NE(sync.CloseEvent(event), 0);
}

// The ASPI back end waits for a completion that the manager signals from a thread of its own.
TEST(Win32Sync, WaitSeesASignalFromAnotherThread) {
  Win32Sync sync;
  const Handle event = sync.CreateEventA(true, false);
  ASSERT_NE(event, 0);
  platform::Thread signaller([&sync, event] { sync.SetEvent(event); });
  EXPECT_EQ(sync.WaitForSingleObject(event, kInfinite), kWaitObject0);
  signaller.Join();
  EXPECT_NE(sync.CloseEvent(event), 0);
}

TEST(Win32Sync, WaitingOnNoEventFails) {
  Win32Sync sync;
  EXPECT_EQ(sync.WaitForSingleObject(0, 0), kWaitFailed);
  EXPECT_EQ(sync.SetEvent(0), 0);
}

}  // namespace
}  // namespace platform::win32
