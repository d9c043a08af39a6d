// The service functions' drive handling without the window: the drive Get CS reads back, and
// ArgDrv's scans, placement, stop and FLASH.INI writes, judged by what the emulated drives received.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulated_drives.h"
#include "recording_profile.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"
#include "service/checksum_query.h"
#include "service/drive_arrangement.h"
#include "settings/settings_file.h"

namespace service {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kAspi;
using test_support::kBothBackEnds;
using test_support::kPassThrough;

// Drives on a machine, the layer over them, the window's reference, and FLASH.INI's writes.
struct Bench {
  Bench(const EmulatedBackEnd& backEnd, int count)
      : drives(test_support::AttachDrives(machine, backEnd, test_support::NumberedDrives(count))),
        layer(machine.Platform()) {}

  int TestUnitReadies(int device) const {
    int count = 0;
    for (const auto& record : drives[device]->Log()) count += record.cdb[0] == scsi::cdb::kOpTestUnitReady;
    return count;
  }

  emu::Machine machine;
  std::vector<std::shared_ptr<emu::Drive>> drives;
  scsi::ScsiLayer layer;
  scsi::DeviceRef ref = scsi::kClosedRef;
  std::vector<std::string> iniWrites;
  fixture::RecordingProfile profile{iniWrites};
};

class ChecksumDrive : public ::testing::TestWithParam<EmulatedBackEnd> {};

INSTANTIATE_TEST_SUITE_P(BothBackEnds, ChecksumDrive, ::testing::ValuesIn(kBothBackEnds),
                         [](const auto& p) { return test_support::BackEndName(p.param); });

TEST_P(ChecksumDrive, IsTheFirstReadyEmptyOrJustChangedDriveAndStaysOpen) {
  const struct {
    const char* name;
    emu::Medium first;
    int32_t chosen;
  } cases[] = {
      {"ready", emu::Medium::Ready, 0},
      {"empty, tray closed", emu::Medium::NoMedium, 0},
      {"just changed", emu::Medium::UnitAttention, 0},
      {"tray closed, reading the disc", emu::Medium::TrayClosedEmpty, 1},
      {"tray open", emu::Medium::TrayOpen, 1},
      {"becoming ready", emu::Medium::BecomingReady, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(GetParam(), 2);
    bench.drives[0]->SetMedium(c.first);
    EXPECT_EQ(OpenChecksumDrive(bench.layer, bench.ref), c.chosen);
    EXPECT_EQ(bench.TestUnitReadies(0), 1);
    EXPECT_EQ(bench.TestUnitReadies(1), c.chosen == 1 ? 1 : 0);
    // The reference left open reaches the chosen drive.
    uint8_t inquiry[36] = {};
    ASSERT_EQ(scsi::Inquiry(bench.layer, bench.ref, inquiry, sizeof inquiry), 1);
    EXPECT_EQ(bench.drives[c.chosen]->Log().back().cdb[0], scsi::cdb::kOpInquiry);
  }
}

TEST_P(ChecksumDrive, NoneLeavesTheReferenceClosed) {
  for (int count : {0, 2}) {
    Bench bench(GetParam(), count);
    for (const auto& drive : bench.drives) drive->SetMedium(emu::Medium::TrayOpen);
    EXPECT_EQ(OpenChecksumDrive(bench.layer, bench.ref), -1);
    EXPECT_EQ(bench.ref, scsi::kClosedRef);
    for (int device = 0; device < count; ++device) EXPECT_EQ(bench.TestUnitReadies(device), 1);
  }
}

// The window's side of an arrangement, recorded: the rows as they were placed, and how many times
// it was asked to go on (it stops after `stopAfter` of them, or never with -1).
struct WindowRecord {
  explicit WindowRecord(int stopAfterAsks = -1) : stopAfter(stopAfterAsks) {
    window.placed = [this](int row) { placedRows.push_back(row); };
    window.keepScanning = [this] { return ++asked != stopAfter; };
  }
  int stopAfter;
  int asked = 0;
  std::vector<int> placedRows;
  ArrangementWindow window;
};

std::vector<std::string> PriorityWrites(const std::vector<std::string>& keys) {
  std::vector<std::string> writes;
  for (const std::string& key : keys) {
    writes.push_back("write [DRIVE_PRIORITY] " + key + " to " + settings::kIniFileName);
  }
  return writes;
}

TEST(Arrangement, PlacesEachDriveInTheOrderItIsEmptiedAndWritesTheRows) {
  Bench bench(kAspi, 3);
  // Counted from here: device 2 empties during the second pause, device 0 during the fourth;
  // device 1 stays loaded.
  bench.drives[2]->ScheduleMediumAfterTestUnitReady(2, emu::Medium::NoMedium);
  bench.drives[0]->ScheduleMediumAfterTestUnitReady(4, emu::Medium::NoMedium);
  WindowRecord record;
  settings::DriveOrder order = settings::IdentityDriveOrder();
  EXPECT_EQ(ArrangeDrives(bench.layer, bench.ref, bench.machine, bench.profile, 3, order, record.window), 2);
  EXPECT_EQ(order[0], 2);
  EXPECT_EQ(order[1], 0);
  EXPECT_EQ(record.placedRows, (std::vector<int>{0, 1}));
  EXPECT_EQ(bench.iniWrites, PriorityWrites({"0=2", "1=0", "3=-1", "4=-1", "5=-1", "6=-1", "7=-1", "8=-1", "9=-1",
                                             "TOTAL_DRIVE=2"}));
  // Device 1 is asked once a scan until the scans run out; the placed ones no more.
  EXPECT_EQ(bench.TestUnitReadies(1), kArrangementScans);
  EXPECT_EQ(bench.TestUnitReadies(2), 3);
  EXPECT_EQ(bench.TestUnitReadies(0), 5);
  EXPECT_EQ(bench.machine.SleepsOfThisThread(),
            std::vector<uint32_t>(kArrangementScans - 1, kArrangementScanPauseMs));
  EXPECT_EQ(bench.ref, scsi::kClosedRef);
}

TEST(Arrangement, AStopEndsItAtOnceAndWritesAsATimeOutWould) {
  Bench bench(kPassThrough, 2);
  bench.drives[0]->SetMedium(emu::Medium::NoMedium);
  WindowRecord record(/*stopAfter=*/3);
  settings::DriveOrder order = settings::IdentityDriveOrder();
  EXPECT_EQ(ArrangeDrives(bench.layer, bench.ref, bench.machine, bench.profile, 2, order, record.window), 1);
  EXPECT_EQ(record.asked, 3);
  EXPECT_EQ(bench.TestUnitReadies(1), 3);  // no command after the stop
  EXPECT_EQ(bench.iniWrites, PriorityWrites({"0=0", "2=-1", "3=-1", "4=-1", "5=-1", "6=-1", "7=-1", "8=-1",
                                             "9=-1", "TOTAL_DRIVE=1"}));
}

TEST(Arrangement, MoreDrivesThanRowsScansOnlyTheRows) {
  Bench bench(kAspi, settings::kDriveRows + 2);
  for (const auto& drive : bench.drives) drive->SetMedium(emu::Medium::NoMedium);
  WindowRecord record;
  settings::DriveOrder order = settings::IdentityDriveOrder();
  EXPECT_EQ(ArrangeDrives(bench.layer, bench.ref, bench.machine, bench.profile, settings::kDriveRows + 2, order,
                          record.window),
            settings::kDriveRows);
  EXPECT_EQ(order, settings::IdentityDriveOrder());
  EXPECT_EQ(bench.TestUnitReadies(settings::kDriveRows), 0);
  EXPECT_EQ(bench.iniWrites.back(), PriorityWrites({"TOTAL_DRIVE=10"})[0]);
}

}  // namespace
}  // namespace service
