// The emulated machine's pass-through path: drive letters and types, device handles, the checks
// on the request block, sense delivery, and drive latency against the request's time-out.
#include <gtest/gtest.h>

#include "machine_test_util.h"

namespace emu {
namespace {

using platform::Handle;

class PassThroughMachine : public testing::Test {
 protected:
  PassThroughMachine() {
    machine_.AddLetter('C', platform::kDriveFixed);
    machine_.AddLetter('E', platform::kDriveCdrom, drive_);
    machine_.AddLetter('G', platform::kDriveCdrom, std::make_shared<Drive>());
  }
  Machine machine_;
  std::shared_ptr<Drive> drive_ = std::make_shared<Drive>();
};

TEST_F(PassThroughMachine, LettersAndTypes) {
  EXPECT_EQ(machine_.GetLogicalDrives(), (1u << 2) | (1u << 4) | (1u << 6));
  EXPECT_EQ(platform::PlatformId(machine_), platform::kPlatformWin32NT);
  const struct {
    const char* root;
    uint32_t type;
  } cases[] = {{"E:\\", platform::kDriveCdrom}, {"e:\\", platform::kDriveCdrom}, {"C:\\", platform::kDriveFixed},
               {"F:\\", platform::kDriveNoRootDir}, {"E:", platform::kDriveNoRootDir},
               {"E:\\\\", platform::kDriveNoRootDir}, {"E:/", platform::kDriveNoRootDir},
               {"", platform::kDriveNoRootDir}, {nullptr, platform::kDriveNoRootDir}};
  for (const auto& c : cases) EXPECT_EQ(machine_.GetDriveTypeA(c.root), c.type) << (c.root ? c.root : "null");
}

TEST_F(PassThroughMachine, OpenAndCloseDeviceHandles) {
  machine_.FailOpen('G');
  const Handle e = test::OpenDevice(machine_, 'E');
  const Handle again = test::OpenDevice(machine_, 'E');
  EXPECT_NE(e, platform::kInvalidHandle);
  EXPECT_NE(e, again);
  EXPECT_EQ(test::OpenDevice(machine_, 'C'), platform::kInvalidHandle);  // no drive behind it
  EXPECT_EQ(test::OpenDevice(machine_, 'F'), platform::kInvalidHandle);
  EXPECT_EQ(test::OpenDevice(machine_, 'G'), platform::kInvalidHandle);
  EXPECT_EQ(machine_.CreateFileA("\\\\.\\E:", platform::kGenericRead, 0, 1 /*CREATE_NEW*/, 0), platform::kInvalidHandle);
  EXPECT_EQ(machine_.CreateFileA("\\\\.\\E", platform::kGenericRead, 0, platform::kOpenExisting, 0), platform::kInvalidHandle);
  EXPECT_EQ(machine_.CreateFileA(nullptr, 0, 0, platform::kOpenExisting, 0), platform::kInvalidHandle);
  EXPECT_EQ(machine_.OpenDeviceHandles(), 2u);

  const auto opens = machine_.Opens();
  ASSERT_EQ(opens.size(), 8u);
  EXPECT_EQ(opens[0].path, "\\\\.\\E:");
  EXPECT_EQ(opens[0].access, platform::kGenericRead | platform::kGenericWrite);
  EXPECT_EQ(opens[0].share, platform::kFileShareRead | platform::kFileShareWrite);
  EXPECT_EQ(opens[0].disposition, platform::kOpenExisting);
  EXPECT_EQ(opens[0].flags, platform::kFileFlagOverlapped);
  EXPECT_EQ(opens[0].result, e);
  EXPECT_EQ(opens[4].result, platform::kInvalidHandle);

  EXPECT_EQ(machine_.CloseHandle(e), 1);
  EXPECT_EQ(machine_.CloseHandle(e), 0);
  EXPECT_EQ(machine_.CloseHandle(platform::kInvalidHandle), 0);
  EXPECT_EQ(machine_.CloseHandle(0), 0);
  EXPECT_EQ(machine_.OpenDeviceHandles(), 1u);
}

TEST_F(PassThroughMachine, GoodCommandReachesTheDrive) {
  const Handle e = test::OpenDevice(machine_, 'E');
  std::array<uint8_t, 36> data{};
  auto request = test::PassThrough(test::InquiryCdb(36), data.data(), 36, platform::kScsiIoctlDataIn);
  ASSERT_EQ(test::Send(machine_, e, request), 1);
  EXPECT_EQ(request.sptd.ScsiStatus, 0);
  EXPECT_EQ(data[0], 0x05);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&data[8]), 5), "TEVOR");
  for (uint8_t b : request.sense) EXPECT_EQ(b, 0);
}

TEST_F(PassThroughMachine, DirectionsReachTheLog) {
  const Handle e = test::OpenDevice(machine_, 'E');
  std::vector<uint8_t> chunk(2048);
  const test::TestImage image = test::MakeImage(2);
  auto in = test::PassThrough(test::ReadFlashCdb(0, 2048), chunk.data(), 2048, platform::kScsiIoctlDataIn, 15);
  auto out = test::PassThrough(test::WriteBlockCdb(image.a, image.b, 0, 2), const_cast<uint8_t*>(image.Block(0)),
                               16384, platform::kScsiIoctlDataOut, 60);
  auto none = test::PassThrough(test::TestUnitReadyCdb(), nullptr, 0, platform::kScsiIoctlDataUnspecified, 50);
  machine_.Sleep(1234);
  for (auto* request : {&in, &out, &none}) ASSERT_EQ(test::Send(machine_, e, *request), 1);
  const auto log = drive_->Log();
  ASSERT_EQ(log.size(), 3u);
  const struct {
    uint8_t direction;
    uint32_t length;
    uint32_t timeout;
  } expected[] = {{8, 2048, 15}, {16, 16384, 60}, {0, 0, 50}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(log[i].direction, expected[i].direction) << i;
    EXPECT_EQ(log[i].transferLength, expected[i].length) << i;
    EXPECT_EQ(log[i].timeoutSeconds, expected[i].timeout) << i;
    EXPECT_EQ(log[i].cdbLength, 12) << i;
    EXPECT_EQ(log[i].atMs, 1234u) << i;
    EXPECT_EQ(log[i].transport, Transport::PassThrough) << i;
  }
  EXPECT_EQ(log[0].cdb, test::ReadFlashCdb(0, 2048));
}

// The drive sees only CdbLength bytes of the block.
TEST_F(PassThroughMachine, ShortCdbLengthHidesTheRest) {
  const Handle e = test::OpenDevice(machine_, 'E');
  test::Cdb cdb = test::TestUnitReadyCdb();
  cdb[8] = 0x55;
  auto request = test::PassThrough(cdb, nullptr, 0, platform::kScsiIoctlDataUnspecified);
  request.sptd.CdbLength = 6;
  ASSERT_EQ(test::Send(machine_, e, request), 1);
  EXPECT_EQ(drive_->Log().at(0).cdb, test::Cdb{});
  EXPECT_EQ(drive_->Log().at(0).cdbLength, 6);
}

// The port driver tells an underrun by DataTransferLength: the bytes that went across.
TEST_F(PassThroughMachine, ShortTransferReportsTheBytesMoved) {
  const Handle e = test::OpenDevice(machine_, 'E');
  drive_->Inject({0x12, -1, 1, Drive::AnswerFault::Kind::ShortTransfer, {}, 0, false, 10});
  std::array<uint8_t, 36> data;
  data.fill(0xEE);
  auto request = test::PassThrough(test::InquiryCdb(36), data.data(), 36, platform::kScsiIoctlDataIn);
  ASSERT_EQ(test::Send(machine_, e, request), 1);
  EXPECT_EQ(request.sptd.ScsiStatus, 0);
  EXPECT_EQ(request.sptd.DataTransferLength, 10u);
  EXPECT_EQ(data[0], 0x05);
  EXPECT_EQ(data[10], 0xEE);

  request = test::PassThrough(test::InquiryCdb(36), data.data(), 36, platform::kScsiIoctlDataIn);
  ASSERT_EQ(test::Send(machine_, e, request), 1);
  EXPECT_EQ(request.sptd.DataTransferLength, 36u);
}

TEST_F(PassThroughMachine, CheckConditionCopiesSense) {
  const Handle e = test::OpenDevice(machine_, 'E');
  drive_->SetMedium(Medium::NoMedium);
  for (uint8_t senseLength : std::array<uint8_t, 4>{32, 18, 8, 0}) {
    auto request = test::PassThrough(test::TestUnitReadyCdb(), nullptr, 0, platform::kScsiIoctlDataUnspecified);
    request.sptd.SenseInfoLength = senseLength;
    std::memset(request.sense, 0xEE, sizeof(request.sense));
    ASSERT_EQ(test::Send(machine_, e, request), 1);
    EXPECT_EQ(request.sptd.ScsiStatus, 2);
    const SenseBlock expected = FixedSense(kSenseNoMedium);
    for (size_t i = 0; i < sizeof(request.sense); ++i) {
      const uint8_t want = i < std::min<size_t>(senseLength, 18) ? expected[i] : 0xEE;
      ASSERT_EQ(request.sense[i], want) << int{senseLength} << " byte " << i;
    }
  }
}

struct BadRequest {
  const char* name;
  void (*spoil)(platform::PassThroughRequest&, uint32_t& code, uint32_t& inSize, uint32_t& outSize, bool& sameBuffer,
                bool& noCounter);
};

class PassThroughBadRequest : public PassThroughMachine, public testing::WithParamInterface<BadRequest> {};

// A request a port driver would reject fails without reaching the drive, and nothing crashes.
TEST_P(PassThroughBadRequest, RejectedBeforeTheDrive) {
  const Handle e = test::OpenDevice(machine_, 'E');
  std::array<uint8_t, 36> data{};
  auto request = test::PassThrough(test::InquiryCdb(36), data.data(), 36, platform::kScsiIoctlDataIn);
  auto other = request;
  uint32_t code = platform::kIoctlScsiPassThroughDirect;
  uint32_t inSize = sizeof(request);
  uint32_t outSize = sizeof(request);
  bool sameBuffer = true;
  bool noCounter = false;
  GetParam().spoil(request, code, inSize, outSize, sameBuffer, noCounter);
  uint32_t returned = 0;
  EXPECT_EQ(machine_.DeviceIoControl(e, code, &request, inSize, sameBuffer ? &request : &other, outSize,
                                     noCounter ? nullptr : &returned),
            0);
  EXPECT_TRUE(drive_->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PassThroughBadRequest,
    testing::Values(
        BadRequest{"OtherIoctl", [](auto&, uint32_t& code, uint32_t&, uint32_t&, bool&, bool&) { code = 0x4D004; }},
        BadRequest{"SmallInput", [](auto&, uint32_t&, uint32_t& in, uint32_t&, bool&, bool&) { in = 44; }},
        BadRequest{"SizesDiffer", [](auto&, uint32_t&, uint32_t&, uint32_t& out, bool&, bool&) { out = 48; }},
        BadRequest{"OtherOutputBuffer", [](auto&, uint32_t&, uint32_t&, uint32_t&, bool& same, bool&) { same = false; }},
        BadRequest{"NoByteCounter", [](auto&, uint32_t&, uint32_t&, uint32_t&, bool&, bool& none) { none = true; }},
        BadRequest{"LengthField", [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.Length = 48; }},
        BadRequest{"SenseBeyondBlock",
                   [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) {
                     r.sptd.SenseInfoLength = static_cast<uint8_t>(sizeof(r) - r.sptd.SenseInfoOffset + 1);
                   }},
        BadRequest{"SenseOffsetHuge",
                   [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.SenseInfoOffset = 0xFFFFFFF0u; }},
        BadRequest{"SenseOverRecord",
                   [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.SenseInfoOffset = 8; }},
        BadRequest{"DataInThree", [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.DataIn = 3; }},
        BadRequest{"NoDataBuffer",
                   [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.DataBuffer = nullptr; }},
        BadRequest{"LengthWithoutDirection",
                   [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.DataIn = 2; }},
        BadRequest{"CdbLengthZero", [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.CdbLength = 0; }},
        BadRequest{"CdbLength17", [](auto& r, uint32_t&, uint32_t&, uint32_t&, bool&, bool&) { r.sptd.CdbLength = 17; }}),
    test::CaseName{});

TEST_F(PassThroughMachine, BadHandlesAndNullBuffers) {
  auto request = test::PassThrough(test::TestUnitReadyCdb(), nullptr, 0, platform::kScsiIoctlDataUnspecified);
  uint32_t returned = 0;
  EXPECT_EQ(test::Send(machine_, platform::kInvalidHandle, request), 0);
  EXPECT_EQ(test::Send(machine_, 0x12345, request), 0);
  const Handle closed = test::OpenDevice(machine_, 'E');
  machine_.CloseHandle(closed);
  EXPECT_EQ(test::Send(machine_, closed, request), 0);
  const Handle readOnly = machine_.CreateFileA("\\\\.\\E:", platform::kGenericRead, 3, platform::kOpenExisting, 0);
  ASSERT_NE(readOnly, platform::kInvalidHandle);
  EXPECT_EQ(test::Send(machine_, readOnly, request), 0);
  const Handle e = test::OpenDevice(machine_, 'E');
  EXPECT_EQ(machine_.DeviceIoControl(e, platform::kIoctlScsiPassThroughDirect, nullptr, 80, nullptr, 80, &returned), 0);
  EXPECT_TRUE(drive_->Log().empty());
  EXPECT_EQ(test::Send(machine_, e, request), 1);
}

TEST_F(PassThroughMachine, LatencyAgainstTimeOut) {
  struct Case {
    uint32_t latencyMs;
    uint32_t timeoutSeconds;
    bool neverCompletes;
    int result;
    uint64_t spentMs;
  };
  const Case cases[] = {
      {5000, 15, false, 1, 5000},  {15000, 15, false, 1, 15000}, {15001, 15, false, 0, 15000},
      {0, 0, false, 1, 0},         {1, 0, false, 0, 0},          {0, 60, true, 0, 60000},
  };
  const Handle e = test::OpenDevice(machine_, 'E');
  for (const Case& c : cases) {
    drive_->SetLatencyMs(c.latencyMs);
    if (c.neverCompletes) drive_->NeverCompleteNth(0x00, static_cast<int>(drive_->Log().size()) + 1);
    auto request = test::PassThrough(test::TestUnitReadyCdb(), nullptr, 0, platform::kScsiIoctlDataUnspecified,
                                     c.timeoutSeconds);
    const uint64_t before = machine_.NowMs();
    EXPECT_EQ(test::Send(machine_, e, request), c.result) << c.latencyMs << "/" << c.timeoutSeconds;
    EXPECT_EQ(machine_.NowMs() - before, c.spentMs) << c.latencyMs << "/" << c.timeoutSeconds;
  }
}

}  // namespace
}  // namespace emu
