// Start-up of the SCSI layer: back-end choice and the device list on both back ends.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emu/machine.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

using platform::kDeviceTypeCdrom;
constexpr uint8_t kDeviceTypeDisk = 0;

struct EnumerationCase {
  std::string name;
  std::function<void(emu::Machine&)> build;
  BackEnd backEnd;
  std::vector<int32_t> ids;
};

void Aspi(emu::Machine& m) { m.SetPlatformId(platform::kPlatformWin32Windows); }

const EnumerationCase kCases[] = {
    {"HardDiskAndTwoCdromsByLetter",
     [](emu::Machine& m) {
       m.AddLetter('C', platform::kDriveFixed);
       m.AddLetter('E', platform::kDriveCdrom, std::make_shared<emu::Drive>());
       m.AddLetter('G', platform::kDriveCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::PassThrough,
     {'E', 'G'}},
    {"OnlyCdromLettersCount",
     [](emu::Machine& m) {
       m.AddLetter('A', platform::kDriveRemovable);
       m.AddLetter('D', platform::kDriveRemote);
       m.AddLetter('Z', platform::kDriveCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::PassThrough,
     {'Z'}},
    {"AspiTwoAdaptersInAdapterThenTargetOrder",
     [](emu::Machine& m) {
       Aspi(m);
       m.AddAspiAdapter();
       m.AddAspiAdapter();
       m.AddAspiTarget(1, 0, kDeviceTypeCdrom, std::make_shared<emu::Drive>());
       m.AddAspiTarget(0, 0, kDeviceTypeDisk);
       m.AddAspiTarget(0, 1, kDeviceTypeCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::Aspi,
     {1, 256}},
    {"AspiListStopsAt26",
     [](emu::Machine& m) {
       Aspi(m);
       for (int a = 0; a < 4; ++a) m.AddAspiAdapter();
       for (int i = 0; i < 30; ++i) m.AddAspiTarget(i / 8, i % 8, kDeviceTypeCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::Aspi,
     [] {
       std::vector<int32_t> ids;
       for (int i = 0; i < 26; ++i) ids.push_back((i / 8) * 256 + i % 8);
       return ids;
     }()},
    {"PlatformIdZeroListsNothing",
     [](emu::Machine& m) {
       m.SetPlatformId(0);
       m.AddLetter('E', platform::kDriveCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::None,
     {}},
    {"UnknownPlatformIdListsNothing",
     [](emu::Machine& m) {
       m.SetPlatformId(3);
       m.AddLetter('E', platform::kDriveCdrom, std::make_shared<emu::Drive>());
     },
     BackEnd::None,
     {}},
};

class Enumeration : public ::testing::TestWithParam<EnumerationCase> {};

TEST_P(Enumeration, ListsTheOpticalDevicesInOrder) {
  emu::Machine machine;
  GetParam().build(machine);
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.GetBackEnd(), GetParam().backEnd);
  std::vector<int32_t> ids;
  for (int i = 0; i < layer.DeviceCount(); ++i) ids.push_back(layer.DeviceId(i));
  EXPECT_EQ(ids, GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, Enumeration, ::testing::ValuesIn(kCases),
                         [](const auto& tp) { return tp.param.name; });

struct BrokenManagerCase {
  std::string name;
  emu::AspiOptions options;
  int freeLibraryCalls;
  AspiManagerState state;
};

emu::AspiOptions With(std::function<void(emu::AspiOptions&)> change) {
  emu::AspiOptions options;
  change(options);
  return options;
}

const BrokenManagerCase kBrokenManagers[] = {
    {"LibraryMissing", With([](auto& o) { o.libraryPresent = false; }), 0, AspiManagerState::NotLoaded},
    {"SupportInfoMissing", With([](auto& o) { o.hasSupportInfo = false; }), 1, AspiManagerState::EntryPointsMissing},
    {"SendCommandMissing", With([](auto& o) { o.hasSendCommand = false; }), 1, AspiManagerState::EntryPointsMissing},
    // The library stays loaded when the manager itself answers with a failure.
    {"ManagerNotReady", With([](auto& o) { o.supportStatus = platform::kSsErr; }), 0, AspiManagerState::NotCompleted},
};

class BrokenAspiManager : public ::testing::TestWithParam<BrokenManagerCase> {};

TEST_P(BrokenAspiManager, LeavesTheListEmptyAndSaysWhy) {
  emu::Machine machine;
  machine.SetPlatformId(platform::kPlatformWin32Windows);
  machine.SetAspi(GetParam().options);
  machine.AddAspiAdapter();
  machine.AddAspiTarget(0, 0, kDeviceTypeCdrom, std::make_shared<emu::Drive>());
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.DeviceCount(), 0);
  EXPECT_EQ(machine.FreeLibraryCalls(), GetParam().freeLibraryCalls);
  EXPECT_EQ(layer.AspiState(), GetParam().state);
  EXPECT_TRUE(layer.ConsumerFamily());
}

TEST(AspiManagerStateOfStartUp, ReadyWithAWorkingManagerAndNotUsedOnTheNtFamily) {
  {
    emu::Machine machine;
    machine.SetPlatformId(platform::kPlatformWin32Windows);
    ScsiLayer layer(machine.Platform());
    EXPECT_EQ(layer.AspiState(), AspiManagerState::Ready);
    EXPECT_TRUE(layer.ConsumerFamily());
  }
  emu::Machine machine;
  ScsiLayer layer(machine.Platform());
  EXPECT_EQ(layer.AspiState(), AspiManagerState::NotUsed);
  EXPECT_FALSE(layer.ConsumerFamily());
}

INSTANTIATE_TEST_SUITE_P(Aspi, BrokenAspiManager, ::testing::ValuesIn(kBrokenManagers),
                         [](const auto& tp) { return tp.param.name; });

}  // namespace
}  // namespace scsi
