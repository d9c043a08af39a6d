// Command execution: the request blocks each back end receives, sense capture and the ASPI abort.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "drives_fixture.h"
#include "recording_platform.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

using testing::AttachDrives;
using test_support::EmulatedBackEnd;
using test_support::kAspi;
using test_support::kBothBackEnds;
using test_support::kPassThrough;
using testing::OpenDrives;
using testing::RecordedMachine;

// The ASPI records are byte-packed: read their fields by value, never through a reference.
template <class T>
T Val(T value) {
  return value;
}

const Cdb kCountingCdb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

TEST(PassThroughRequest, CarriesTheCommandExactly) {
  RecordedMachine rec;
  AttachDrives(rec.machine, kPassThrough, 1);
  ScsiLayer layer(rec.Platform());
  DeviceRef ref = kClosedRef;
  layer.OpenRef(ref, 0);
  uint8_t data[36];
  ASSERT_EQ(Inquiry(layer, ref, data, sizeof data), 1);

  ASSERT_EQ(rec.files.sent.size(), 1u);
  // The open asked the adapter for its capabilities first (nothing in, the record out).
  ASSERT_EQ(rec.files.ioctlCodes, (std::vector<uint32_t>{0x41010u, 0x4D014u}));
  EXPECT_EQ(rec.files.bufferSizes[0], std::make_pair(uint32_t{0}, uint32_t{sizeof(platform::IoScsiCapabilities)}));
  EXPECT_EQ(rec.files.bufferSizes[1], std::make_pair(uint32_t{sizeof(platform::PassThroughRequest)},
                                                     uint32_t{sizeof(platform::PassThroughRequest)}));
  EXPECT_TRUE(rec.files.sameBuffer[1]);
  const platform::PassThroughRequest& request = rec.files.sent[0];
  const platform::ScsiPassThroughDirect& sptd = request.sptd;
  EXPECT_EQ(sptd.Length, sizeof(platform::ScsiPassThroughDirect));
  EXPECT_EQ(sptd.ScsiStatus, 0);
  EXPECT_EQ(sptd.PathId, 0);
  EXPECT_EQ(sptd.TargetId, 0);
  EXPECT_EQ(sptd.Lun, 0);
  EXPECT_EQ(sptd.CdbLength, 12);
  EXPECT_EQ(sptd.SenseInfoLength, 32);
  EXPECT_EQ(sptd.DataIn, platform::kScsiIoctlDataIn);
  EXPECT_EQ(sptd.DataTransferLength, 36u);
  EXPECT_EQ(sptd.TimeOutValue, 15u);
  EXPECT_EQ(sptd.DataBuffer, data);
  EXPECT_EQ(sptd.SenseInfoOffset, offsetof(platform::PassThroughRequest, sense));
  const uint8_t expectedCdb[16] = {0x12, 0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(sptd.Cdb, expectedCdb, sizeof expectedCdb), 0);
  EXPECT_EQ(request.filler, 0u);
  for (uint8_t b : request.sense) EXPECT_EQ(b, 0);
}

TEST(AspiRequest, CarriesTheCommandToTheIndexsAdapterAndTarget) {
  RecordedMachine rec;
  auto drives = AttachDrives(rec.machine, kAspi, 12);  // index 11 is adapter 1, target 3
  ScsiLayer layer(rec.Platform());
  DeviceRef ref = kClosedRef;
  layer.OpenRef(ref, 11);
  uint8_t data[2048];
  ASSERT_EQ(ReadFlash(layer, ref, data, 0x1FF800, sizeof data), 1);

  ASSERT_EQ(rec.library.sent.size(), 1u);
  const platform::SrbExecScsiCmd& srb = rec.library.sent[0];
  EXPECT_EQ(Val(srb.SRB_Cmd), platform::kScExecScsiCmd);
  EXPECT_EQ(Val(srb.SRB_HaId), 1);
  EXPECT_EQ(Val(srb.SRB_Target), 3);
  EXPECT_EQ(Val(srb.SRB_Lun), 0);
  EXPECT_EQ(Val(srb.SRB_Flags), 0x48);
  EXPECT_EQ(Val(srb.SRB_BufLen), 2048u);
  // The manager gets a buffer of the request's own, copied to the caller's once the command is
  // done: a late answer must never land in memory the caller has moved on with.
  EXPECT_NE(Val(srb.SRB_BufPointer), data);
  const std::vector<uint8_t> flash = drives[11]->Flash();
  EXPECT_EQ(std::vector<uint8_t>(data, data + sizeof data), std::vector<uint8_t>(flash.begin() + 0x1FF800, flash.end()));
  EXPECT_EQ(Val(srb.SRB_SenseLen), 32);
  EXPECT_EQ(Val(srb.SRB_CDBLen), 12);
  EXPECT_NE(Val(srb.SRB_PostProc), nullptr);
  const uint8_t expectedCdb[16] = {0xA0, 0x15, 0x0A, 0, 0, 0, 0x00, 0x1F, 0xF8, 0x00, 0x08, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(srb.CDBByte, expectedCdb, sizeof expectedCdb), 0);
  EXPECT_EQ(rec.machine.LiveEvents(), 0u);  // the completion event lives for one command
}

struct TimeoutCase {
  uint32_t milliseconds;
  uint32_t seconds;
};

class PassThroughTimeout : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(PassThroughTimeout, IsTruncatedToWholeSeconds) {
  RecordedMachine rec;
  auto drives = AttachDrives(rec.machine, kPassThrough, 1);
  ScsiLayer layer(rec.Platform());
  DeviceRef ref = kClosedRef;
  layer.OpenRef(ref, 0);
  TestUnitReadyTimed(layer, ref, GetParam().milliseconds);
  ASSERT_EQ(rec.files.sent.size(), 1u);
  EXPECT_EQ(rec.files.sent[0].sptd.TimeOutValue, GetParam().seconds);
  EXPECT_EQ(drives[0]->Log().at(0).timeoutSeconds, GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Seconds, PassThroughTimeout,
                         ::testing::Values(TimeoutCase{15000, 15}, TimeoutCase{50000, 50}, TimeoutCase{60000, 60},
                                           TimeoutCase{999, 0}, TimeoutCase{1999, 1}));

struct DirectionCase {
  uint8_t direction;
  uint8_t dataIn;
  uint8_t srbFlags;
};

class Direction : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(Direction, MapsToDataInAndToSrbFlags) {
  RecordedMachine pt;
  AttachDrives(pt.machine, kPassThrough, 1);
  RecordedMachine aspi;
  AttachDrives(aspi.machine, kAspi, 1);
  for (RecordedMachine* rec : {&pt, &aspi}) {
    ScsiLayer layer(rec->Platform());
    DeviceRef ref = kClosedRef;
    layer.OpenRef(ref, 0);
    uint8_t buffer[8] = {};
    layer.ExecuteCommand(ref, kCountingCdb, buffer, sizeof buffer, GetParam().direction, 15000, 12);
  }
  ASSERT_EQ(pt.files.sent.size(), 1u);
  EXPECT_EQ(pt.files.sent[0].sptd.DataIn, GetParam().dataIn);
  ASSERT_EQ(aspi.library.sent.size(), 1u);
  EXPECT_EQ(Val(aspi.library.sent[0].SRB_Flags), GetParam().srbFlags);
}

INSTANTIATE_TEST_SUITE_P(Codes, Direction,
                         ::testing::Values(DirectionCase{kDirIn, 1, 0x48}, DirectionCase{kDirOut, 0, 0x50},
                                           DirectionCase{kDirNone, 2, 0x40}, DirectionCase{3, 2, 0x40}));

TEST(CdbLengthArgument, OnlyFillsTheLengthFieldsWhileTwelveBytesTravel) {
  RecordedMachine rec;
  AttachDrives(rec.machine, kPassThrough, 1);
  ScsiLayer layer(rec.Platform());
  DeviceRef ref = kClosedRef;
  layer.OpenRef(ref, 0);
  layer.ExecuteCommand(ref, kCountingCdb, nullptr, 0, kDirNone, 15000, 6);
  ASSERT_EQ(rec.files.sent.size(), 1u);
  EXPECT_EQ(rec.files.sent[0].sptd.CdbLength, 6);
  EXPECT_EQ(std::memcmp(rec.files.sent[0].sptd.Cdb, kCountingCdb.data(), 12), 0);
}

struct SenseCase {
  std::string name;
  emu::SenseTriple sense;
  SenseCode code;
};

class CheckCondition : public ::testing::TestWithParam<std::tuple<EmulatedBackEnd, SenseCase>> {};

TEST_P(CheckCondition, FailsAndKeepsTheDrivesSense) {
  const auto& [backEnd, c] = GetParam();
  OpenDrives d(backEnd);
  d.drives[0]->FailAll(cdb::kOpTestUnitReady, c.sense);
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
  uint8_t sense[16] = {};
  ASSERT_EQ(d.layer.GetSense(d.ref, sense), 1);
  EXPECT_EQ(sense[2], c.sense.byte2);
  EXPECT_EQ(sense[12], c.sense.asc);
  EXPECT_EQ(sense[13], c.sense.ascq);
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), c.code);
}

const SenseCase kSenseCases[] = {
    {"MediumNotPresent", {0x02, 0x3A, 0x00}, 0x023A00},
    {"TrayOpen", {0x02, 0x3A, 0x02}, 0x023A02},
    {"FlagBitsBesideTheKeyAreKept", {0x22, 0x3A, 0x01}, 0x223A01},
    {"PowerOnReset", {0x06, 0x29, 0x00}, 0x062900},
};

INSTANTIATE_TEST_SUITE_P(BothBackEnds, CheckCondition,
                         ::testing::Combine(::testing::ValuesIn(kBothBackEnds),
                                            ::testing::ValuesIn(kSenseCases)),
                         [](const auto& tp) {
                           return testing::BackEndName(std::get<0>(tp.param)) + std::get<1>(tp.param).name;
                         });

TEST(SenseAfterSuccess, PassThroughClearsItAndAspiKeepsTheEarlierSense) {
  for (const EmulatedBackEnd& backEnd : kBothBackEnds) {
    OpenDrives d(backEnd);
    d.drives[0]->FailNth(cdb::kOpTestUnitReady, 1, {0x02, 0x3A, 0x00});
    EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
    EXPECT_EQ(TestUnitReady(d.layer, d.ref), 1);
    const SenseCode expected = backEnd == kPassThrough ? 0 : 0x023A00;
    EXPECT_EQ(d.layer.GetSenseCode(d.ref), expected) << testing::BackEndName(backEnd);
  }
}

TEST(SenseBeforeAnyCommand, IsReadableAndZero) {
  OpenDrives d(kPassThrough);
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0u);
}

TEST(AspiManagerAnsweringAtOnce, IsJudgedByItsStatus) {
  OpenDrives d(kAspi, 1, [&](emu::Machine& machine) {
    emu::AspiOptions options;
    options.completeSynchronously = true;
    machine.SetAspi(options);
  });
  d.drives[0]->FailNth(cdb::kOpTestUnitReady, 2, {0x02, 0x04, 0x01});
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 1);
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0x020401u);
  EXPECT_EQ(d.machine.LiveEvents(), 0u);
}

struct AbortCase {
  std::string name;
  bool abortAccepted;
  bool abortCompletesRequest;
  uint32_t timeOfDayBase;
  uint64_t minElapsedMs;
  uint64_t maxElapsedMs;
  // A request the manager may still complete keeps its event (and request block) alive.
  size_t eventsKept;
};

class AspiRequestThatNeverCompletes : public ::testing::TestWithParam<AbortCase> {};

TEST_P(AspiRequestThatNeverCompletes, IsAbortedAfterTheTimeoutAndFails) {
  const AbortCase& c = GetParam();
  OpenDrives d(kAspi, 1, [&](emu::Machine& machine) {
    emu::AspiOptions options;
    options.abortAccepted = c.abortAccepted;
    options.abortCompletesRequest = c.abortCompletesRequest;
    machine.SetAspi(options);
    machine.SetTimeOfDayBase(c.timeOfDayBase);
  });
  d.drives[0]->NeverCompleteNth(cdb::kOpTestUnitReady, 1);

  const uint64_t start = d.machine.NowMs();
  EXPECT_EQ(TestUnitReadyTimed(d.layer, d.ref, 15000), 0);
  const uint64_t elapsed = d.machine.NowMs() - start;
  EXPECT_GE(elapsed, c.minElapsedMs);
  EXPECT_LE(elapsed, c.maxElapsedMs);
  EXPECT_EQ(d.machine.LiveEvents(), c.eventsKept);
  // The layer is usable again afterwards.
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 1);
}

const AbortCase kAbortCases[] = {
    {"AbortCompletesTheRequest", true, true, 12 * 3600, 15000, 15000, 0},
    {"AbortRefusedStopsAtOnce", false, true, 12 * 3600, 15000, 15000, 1},
    // The request stays pending: the layer gives up a little over 10 s after the abort.
    {"RequestStaysPending", true, false, 12 * 3600, 15000 + 10000, 15000 + 12000, 1},
    {"RequestStaysPendingAcrossMidnight", true, false, 86400 - 20, 15000 + 10000, 15000 + 12000, 1},
};

INSTANTIATE_TEST_SUITE_P(Abort, AspiRequestThatNeverCompletes, ::testing::ValuesIn(kAbortCases),
                         [](const auto& tp) { return tp.param.name; });

TEST(AspiCompletion, WaitsForTheManagersThreadAndReturnsTheData) {
  OpenDrives d(kAspi);
  d.drives[0]->SetLatencyMs(700);
  uint8_t data[36] = {};
  const uint64_t start = d.machine.NowMs();
  ASSERT_EQ(Inquiry(d.layer, d.ref, data, sizeof data), 1);
  EXPECT_EQ(d.machine.NowMs() - start, 700u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 16), 7), "DRIVE 0");
}

}  // namespace
}  // namespace scsi
