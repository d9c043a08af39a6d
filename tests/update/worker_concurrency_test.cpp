// Ten workers at once against ten emulated drives of mixed models, on each back end: every drive
// ends with its own outcome, table entries and flash. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "update/aspithread.h"
#include "worker_rig.h"

namespace update {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kEveryBackEnd;
using testing::Model;

struct DriveCase {
  emu::DriveConfig config;
  std::function<void(emu::Drive&)> script;
  FlashResult outcome;
  bool flashed;
  std::vector<uint32_t> sleeps;
};

class TenWorkers : public ::testing::TestWithParam<EmulatedBackEnd> {};

INSTANTIATE_TEST_SUITE_P(EveryBackEnd, TenWorkers,
                         ::testing::ValuesIn(kEveryBackEnd),
                         [](const auto& p) { return testing::BackEndName(p.param); });

TEST_P(TenWorkers, EveryDriveEndsWithItsOwnOutcome) {
  const auto none = [](emu::Drive&) {};
  const auto full = testing::LoopSleeps(48);
  const std::vector<DriveCase> cases = {
      {Model("TEVOR", "DVD RW KMR5133", 1), none, kFlashDone, true, full},
      {Model("TEVOR", "HTL6190", 2), none, kFlashDone, true, full},
      {Model("OTHER", "DVD RW KMR5133", 3), none, kFlashWrongDrive, false, {}},
      {Model("TEVOR", "DVD RW KMR5133", 4), none, kFlashDone, true, full},
      {Model("TEVOR", "CD RW 4400", 5), none, kFlashWrongDrive, false, {}},
      {Model("TEVOR", "HTL6190A", 6), none, kFlashDone, true, full},
      {Model("TEVOR", "DVD RW KMR5133", 7), [](emu::Drive& d) { d.SetMedium(emu::Medium::TrayOpen); },
       kFlashFailed, false, {}},
      {Model("TEVOR", "DVD RW KMR5133", 8), none, kFlashDone, true, full},
      {Model("ACME", "DVD-RW 16X", 9), none, kFlashWrongDrive, false, {}},
      {Model("TEVOR", "DVD RW KMR5133", 10), [](emu::Drive& d) { d.FailNth(0xFA, 20, {0x03, 0x0C, 0x00}); },
       kFlashFailed, false, testing::LoopSleeps(19)},
  };
  std::vector<emu::DriveConfig> configs;
  for (const auto& c : cases) configs.push_back(c.config);
  testing::Rig rig(GetParam(), configs);
  std::vector<std::vector<uint8_t>> before;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    cases[i].script(*rig.drives[i]);
    before.push_back(rig.drives[i]->Flash());
  }

  std::vector<testing::Rig::Worker> workers;
  for (int32_t i = 0; i < DriveTable::kEntries; ++i) workers.push_back(rig.MakeWorker(i));
  for (int32_t i = 0; i < DriveTable::kEntries; ++i) ASSERT_TRUE(workers[i].exec->StartJob(i, false));
  for (auto& worker : workers) worker.exec->WaitJobEnd();

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    const auto index = static_cast<int32_t>(i);
    EXPECT_EQ(workers[i].exec->Outcome(), c.outcome);
    EXPECT_EQ(rig.table.Wrong(index), c.outcome == kFlashWrongDrive ? 1 : 0);
    EXPECT_EQ(rig.table.Name(index), testing::ExpectedName(c.config));
    EXPECT_EQ(testing::HoldsImage(*rig.drives[i]), c.flashed);
    if (!c.flashed) {
      EXPECT_EQ(rig.drives[i]->Flash(), before[i]);
    }
    EXPECT_EQ(workers[i].clock->Sleeps(), c.sleeps);
    EXPECT_EQ(rig.drives[i]->Log().front().cdb[0], 0x12);  // each drive saw its own job from the start
  }
}

}  // namespace
}  // namespace update
