// Opening and closing devices by index and through references.
#include <gtest/gtest.h>

#include "drives_fixture.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

using testing::AttachDrives;
using test_support::EmulatedBackEnd;
using test_support::kAspi;
using test_support::kBothBackEnds;
using test_support::kPassThrough;

bool IsOpenHandle(platform::Handle h) { return h != platform::kInvalidHandle && h != 0; }

TEST(DeviceHandles, OpenOpensTheLettersDevicePathForReadAndWrite) {
  emu::Machine machine;
  machine.AddLetter('C', platform::kDriveFixed);
  AttachDrives(machine, kPassThrough, 3);  // E, F, G
  ScsiLayer layer(machine.Platform());
  ASSERT_EQ(layer.OpenDevice(2), 1);
  const auto opens = machine.Opens();
  ASSERT_EQ(opens.size(), 1u);
  const auto& open = opens.front();
  EXPECT_EQ(open.path, "\\\\.\\G:");
  EXPECT_EQ(open.access, platform::kGenericRead | platform::kGenericWrite);
  EXPECT_EQ(open.share, platform::kFileShareRead | platform::kFileShareWrite);
  EXPECT_EQ(open.disposition, platform::kOpenExisting);
  // Synchronous: DeviceIoControl gets no overlapped record.
  EXPECT_EQ(open.flags, 0u);
}

TEST(DeviceHandles, ReopenReusesAndCloseThenOpenCreatesAnew) {
  emu::Machine machine;
  AttachDrives(machine, kPassThrough, 1);
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.HandleSlot(0), platform::kInvalidHandle);

  layer.OpenDevice(0);
  const platform::Handle first = layer.HandleSlot(0);
  EXPECT_TRUE(IsOpenHandle(first));
  layer.OpenDevice(0);
  EXPECT_EQ(layer.HandleSlot(0), first);
  EXPECT_EQ(machine.Opens().size(), 1u);

  EXPECT_EQ(layer.CloseDevice(0), 1);
  EXPECT_EQ(layer.HandleSlot(0), 0);
  EXPECT_EQ(machine.OpenDeviceHandles(), 0u);
  EXPECT_EQ(layer.CloseDevice(0), 1);  // closing a closed slot closes nothing

  layer.OpenDevice(0);
  EXPECT_TRUE(IsOpenHandle(layer.HandleSlot(0)));
  EXPECT_EQ(machine.Opens().size(), 2u);
}

TEST(DeviceHandles, FailedOpenCountsAsOpenAndItsCommandsFail) {
  emu::Machine machine;
  auto drives = AttachDrives(machine, kPassThrough, 1);
  machine.FailOpen('E');
  ScsiLayer layer(machine.Platform());
  DeviceRef ref = kClosedRef;
  EXPECT_EQ(layer.OpenRef(ref, 0), 1);
  EXPECT_EQ(layer.HandleSlot(0), platform::kInvalidHandle);
  EXPECT_TRUE(layer.OpenFailed(ref));
  EXPECT_EQ(layer.OpenError(ref), platform::kErrorAccessDenied);
  EXPECT_EQ(TestUnitReady(layer, ref), 0);
  EXPECT_TRUE(drives[0]->Log().empty());
  // The next open tries again.
  layer.CloseRef(ref);
  layer.OpenRef(ref, 0);
  EXPECT_EQ(machine.Opens().size(), 2u);
}

class IndexOutsideTheList : public ::testing::TestWithParam<EmulatedBackEnd> {};

TEST_P(IndexOutsideTheList, OpensNothingAndItsCommandsReachNoDevice) {
  emu::Machine machine;
  auto drives = AttachDrives(machine, GetParam(), 2);
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.OpenDevice(2), 0);
  EXPECT_EQ(layer.OpenDevice(-1), 0);

  for (int32_t index : {2, -1, 258}) {
    DeviceRef ref = kClosedRef;
    EXPECT_EQ(layer.OpenRef(ref, index), 1);
    EXPECT_EQ(ref, index);
    uint8_t inquiry[36] = {};
    EXPECT_EQ(Inquiry(layer, ref, inquiry, sizeof inquiry), 0);
    EXPECT_EQ(layer.GetSenseCode(ref), kNoDeviceSense);
    EXPECT_EQ(layer.CloseRef(ref), 1);
    EXPECT_EQ(ref, kClosedRef);
  }
  EXPECT_TRUE(machine.Opens().empty());
  for (const auto& drive : drives) EXPECT_TRUE(drive->Log().empty());
}

TEST_P(IndexOutsideTheList, ClosedReferenceDoesNothing) {
  emu::Machine machine;
  auto drives = AttachDrives(machine, GetParam(), 1);
  ScsiLayer layer(machine.Platform());
  DeviceRef ref = kClosedRef;
  EXPECT_EQ(layer.CloseRef(ref), 1);
  EXPECT_EQ(ref, kClosedRef);
  EXPECT_EQ(TestUnitReady(layer, ref), 0);
  uint8_t sense[16];
  EXPECT_EQ(layer.GetSense(ref, sense), 0);
  EXPECT_TRUE(drives[0]->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, IndexOutsideTheList,
                         ::testing::ValuesIn(kBothBackEnds),
                         [](const auto& tp) { return testing::BackEndName(tp.param); });

TEST(DeviceHandles, AspiOpenSelectsTheDeviceAndCloseKeepsIt) {
  emu::Machine machine;
  const auto drives = AttachDrives(machine, kAspi, 10);
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.DeviceId(9), 256 + 1);  // adapter 1, target 1
  EXPECT_EQ(layer.OpenDevice(9), 1);
  layer.CloseDevice(9);
  EXPECT_TRUE(machine.Opens().empty());
  // Nothing was released: a command on the index still reaches its own drive, and no other.
  DeviceRef ref = kClosedRef;
  ASSERT_EQ(layer.OpenRef(ref, 9), 1);
  EXPECT_EQ(TestUnitReady(layer, ref), 1);
  for (std::size_t i = 0; i < drives.size(); ++i) EXPECT_EQ(drives[i]->Log().size(), i == 9 ? 1u : 0u) << i;
}

}  // namespace
}  // namespace scsi
