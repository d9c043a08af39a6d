// The drive command set as a drive receives it: block, data phase, length and time-out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "drives_fixture.h"
#include "scsi/commands.h"

namespace scsi {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kBothBackEnds;
using test_support::kPassThrough;
using testing::OpenDrives;

struct CommandCase {
  std::string name;
  std::function<int(ScsiLayer&, DeviceRef)> send;
  Cdb cdb;
  uint8_t direction;
  uint32_t length;
  uint32_t timeoutSeconds;
};

std::vector<uint8_t> g_buffer(scsi::kFirmwareBlockSize);
const uint8_t kZero[4] = {0, 0, 0, 0};
const uint8_t kCounting[4] = {1, 2, 3, 4};

const CommandCase kCases[] = {
    {"Inquiry36", [](ScsiLayer& l, DeviceRef r) { return Inquiry(l, r, g_buffer.data(), 36); },
     {0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, kDirIn, 36, 15},
    {"Inquiry32", [](ScsiLayer& l, DeviceRef r) { return Inquiry(l, r, g_buffer.data(), 32); },
     {0x12, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0}, kDirIn, 32, 15},
    {"TestUnitReady", [](ScsiLayer& l, DeviceRef r) { return TestUnitReady(l, r); }, {}, kDirNone, 0, 15},
    {"TestUnitReadyTimed50s", [](ScsiLayer& l, DeviceRef r) { return TestUnitReadyTimed(l, r, 50000); }, {},
     kDirNone, 0, 50},
    {"StartStopUnitEject", [](ScsiLayer& l, DeviceRef r) { return StartStopUnit(l, r, 2, 0); },
     {0x1B, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}, kDirNone, 0, 15},
    {"StartStopUnitImmediate5", [](ScsiLayer& l, DeviceRef r) { return StartStopUnit(l, r, 1, 5); },
     {0x1B, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, kDirNone, 0, 15},
    {"ReadFlashLastChunk", [](ScsiLayer& l, DeviceRef r) { return ReadFlash(l, r, g_buffer.data(), 0x1FF800, 2048); },
     {0xA0, 0x15, 0x0A, 0, 0, 0, 0, 0x1F, 0xF8, 0, 0x08, 0}, kDirIn, 2048, 15},
    {"WriteParameterOfTheWorker", [](ScsiLayer& l, DeviceRef r) { return WriteParameter(l, r, 0xAE, 0x5F, 4, kZero); },
     {0xA0, 0x14, 0xAE, 0, 0, 0x5F, 0, 0, 0, 0, 0, 4}, kDirNone, 0, 15},
    {"WriteParameterValueOrder", [](ScsiLayer& l, DeviceRef r) { return WriteParameter(l, r, 0x10, 0x0203, 4, kCounting); },
     {0xA0, 0x14, 0x10, 0, 0x02, 0x03, 1, 2, 3, 4, 0, 4}, kDirNone, 0, 15},
    {"WriteFirmwareBlock0",
     [](ScsiLayer& l, DeviceRef r) { return WriteFirmwareBlock(l, r, g_buffer.data(), 0x51C4, 0xF9E1, 0, 49, 1); },
     {0xFA, 0x51, 0xC4, 0xF9, 0xE1, 0x00, 0x01, 0x51, 0xC4, 0xF9, 0xE1, 0x31}, kDirOut, 16384, 60},
    {"WriteFirmwareBlockIndex300",
     [](ScsiLayer& l, DeviceRef r) { return WriteFirmwareBlock(l, r, g_buffer.data(), 0x51C4, 0xF9E1, 300, 49, 1); },
     {0xFA, 0x51, 0xC4, 0xF9, 0xE1, 0x2C, 0x01, 0x51, 0xC4, 0xF9, 0xE1, 0x31}, kDirOut, 16384, 60},
};

class DriveCommand : public ::testing::TestWithParam<std::tuple<EmulatedBackEnd, CommandCase>> {};

TEST_P(DriveCommand, ReachesTheDriveAsDocumented) {
  const auto& [backEnd, c] = GetParam();
  OpenDrives d(backEnd);
  c.send(d.layer, d.ref);
  const auto log = d.drives[0]->Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].cdb, c.cdb);
  EXPECT_EQ(log[0].cdbLength, 12);
  EXPECT_EQ(log[0].direction, c.direction);
  EXPECT_EQ(log[0].transferLength, c.length);
  // The ASPI request has no time-out of its own: the layer waits for it.
  EXPECT_EQ(log[0].timeoutSeconds, backEnd == kPassThrough ? c.timeoutSeconds : 0u);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, DriveCommand,
                         ::testing::Combine(::testing::ValuesIn(kBothBackEnds),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& tp) {
                           return testing::BackEndName(std::get<0>(tp.param)) + std::get<1>(tp.param).name;
                         });

TEST(DriveCommand, InquiryFillsTheCallersBuffer) {
  OpenDrives d(kPassThrough);
  uint8_t data[36] = {};
  ASSERT_EQ(Inquiry(d.layer, d.ref, data, sizeof data), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 8), 28), "TEVOR   DRIVE 0         1.00");
}

}  // namespace
}  // namespace scsi
