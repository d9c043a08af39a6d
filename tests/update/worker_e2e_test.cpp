// End to end in the emulator: a worker updates a drive; the drive saw exactly the expected
// command blocks, in order, and its flash holds the embedded image afterwards.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "update/aspithread.h"
#include "worker_rig.h"

namespace update {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kEveryBackEnd;
using Cdb = std::array<uint8_t, 12>;

struct Expected {
  Cdb cdb;
  uint8_t direction;
  uint32_t length;
  uint32_t timeoutSeconds;  // pass-through only; ASPI carries none
};

std::vector<Expected> ExpectedLog() {
  std::vector<Expected> log = {
      {{0x12, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0}, 8, 32, 15},  // INQUIRY, 32 bytes
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 50},       // TEST UNIT READY, 50 s
      {{0x1B, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 15},    // START STOP UNIT: eject
  };
  for (uint8_t i = 0; i < 49; ++i) {
    log.push_back({{0xFA, 0x51, 0xC4, 0xF9, 0xE1, i, 0x01, 0x51, 0xC4, 0xF9, 0xE1, 0x31}, 16, 16384, 60});
  }
  return log;
}

class WorkerEndToEnd : public ::testing::TestWithParam<EmulatedBackEnd> {};

INSTANTIATE_TEST_SUITE_P(EveryBackEnd, WorkerEndToEnd,
                         ::testing::ValuesIn(kEveryBackEnd),
                         [](const auto& p) { return testing::BackEndName(p.param); });

TEST_P(WorkerEndToEnd, UpdatesAnEmulatedDrive) {
  testing::Rig rig(GetParam(), {testing::Model("TEVOR", "DVD RW KMR5133", 42)});
  emu::Drive& drive = *rig.drives[0];
  const std::vector<uint8_t> before = drive.Flash();
  ASSERT_FALSE(testing::HoldsImage(drive));

  auto worker = rig.MakeWorker(0);
  ASSERT_TRUE(worker.exec->StartJob(0, false));
  worker.exec->WaitJobEnd();
  EXPECT_EQ(worker.exec->Outcome(), kFlashDone);

  const auto log = drive.Log();
  const auto expected = ExpectedLog();
  ASSERT_EQ(log.size(), expected.size());
  const bool passThrough = GetParam().PassThrough();
  for (std::size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(log[i].cdb, expected[i].cdb);
    EXPECT_EQ(log[i].cdbLength, 12);
    EXPECT_EQ(log[i].direction, expected[i].direction);
    EXPECT_EQ(log[i].transferLength, expected[i].length);
    EXPECT_EQ(log[i].timeoutSeconds, passThrough ? expected[i].timeoutSeconds : 0u);
    EXPECT_EQ(log[i].transport, passThrough ? emu::Transport::PassThrough : emu::Transport::Aspi);
  }

  const std::vector<uint8_t> after = drive.Flash();
  EXPECT_TRUE(testing::HoldsImage(drive));
  EXPECT_TRUE(std::equal(after.begin() + 0x1F8000, after.begin() + 0x1F8080, before.begin() + 0x1F8000));
  EXPECT_EQ(drive.Revision(), "2.00");
  EXPECT_EQ(drive.Restarts(), 1);
  EXPECT_EQ(worker.clock->Sleeps(), testing::LoopSleeps(48));
  EXPECT_EQ(rig.machine.OpenDeviceHandles(), 0u);  // the job closed its device
}

}  // namespace
}  // namespace update
