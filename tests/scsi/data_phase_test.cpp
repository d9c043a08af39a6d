// The data phase on the pass-through back end: buffers that meet the adapter's alignment whatever
// the caller hands over, the capability query behind it, and commands judged by the bytes that
// really went across (on both back ends).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drives_fixture.h"
#include "recording_platform.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kAspi;
using test_support::kBothBackEnds;
using test_support::kPassThrough;
using testing::OpenDrives;
using testing::RecordedMachine;
using Kind = emu::Drive::AnswerFault::Kind;

constexpr uint8_t kGuard = 0xEE;

// Room for a chunk at any offset 0..15 from a 16-aligned start, guarded on both sides.
struct GuardedBuffer {
  alignas(16) std::array<uint8_t, 16 + 2048 + 16> bytes;
  GuardedBuffer() { bytes.fill(kGuard); }
  uint8_t* At(std::size_t offset) { return bytes.data() + offset; }
};

// One pass-through drive at E, whose adapter `setup` describes before the layer opens it.
struct AdapterRig {
  explicit AdapterRig(const std::function<void(emu::Machine&)>& setup) {
    test_support::AttachDrive(machine, kPassThrough, 0, drive);
    setup(machine);
    layer = std::make_unique<ScsiLayer>(machine.Platform());
    layer->OpenRef(ref, 0);
  }
  emu::Machine machine;
  std::shared_ptr<emu::Drive> drive = std::make_shared<emu::Drive>();
  std::unique_ptr<ScsiLayer> layer;
  DeviceRef ref = kClosedRef;
};

class AdapterMask : public ::testing::TestWithParam<uint32_t> {};

INSTANTIATE_TEST_SUITE_P(Masks, AdapterMask, ::testing::Values(0u, 1u, 3u, 7u),
                         [](const ::testing::TestParamInfo<uint32_t>& p) { return "Mask" + std::to_string(p.param); });

// Every offset of the caller's buffer works, reads land exactly where the caller asked (nothing
// before or after is touched), and the adapter never sees a buffer that misses its mask.
TEST_P(AdapterMask, ReadsIntoAnyCallerBufferThroughAnAlignedOne) {
  const uint32_t mask = GetParam();
  AdapterRig rig([mask](emu::Machine& m) { m.SetAlignmentMask('E', mask); });
  const std::vector<uint8_t> flash = rig.drive->Flash();
  for (std::size_t offset = 0; offset < 9; ++offset) {
    SCOPED_TRACE(offset);
    GuardedBuffer buffer;
    uint8_t* chunk = buffer.At(offset);
    ASSERT_EQ(ReadFlash(*rig.layer, rig.ref, chunk, 0x1000, 2048), 1);
    EXPECT_EQ(std::memcmp(chunk, flash.data() + 0x1000, 2048), 0);
    for (std::size_t i = 0; i < offset; ++i) EXPECT_EQ(buffer.bytes[i], kGuard);
    for (std::size_t i = offset + 2048; i < buffer.bytes.size(); ++i) EXPECT_EQ(buffer.bytes[i], kGuard);

    GuardedBuffer inquiry;
    ASSERT_EQ(Inquiry(*rig.layer, rig.ref, inquiry.At(offset), 36), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.At(offset) + 8), 5), "TEVOR");
  }
}

TEST_P(AdapterMask, IsAskedOncePerOpenAndEveryDataBufferMeetsIt) {
  const uint32_t mask = GetParam();
  RecordedMachine rec;
  testing::AttachDrives(rec.machine, kPassThrough, 1);
  rec.machine.SetAlignmentMask('E', mask);
  ScsiLayer layer(rec.Platform());
  DeviceRef ref = kClosedRef;
  layer.OpenRef(ref, 0);
  EXPECT_EQ(layer.AlignmentMask(0), mask);
  GuardedBuffer buffer;
  for (std::size_t offset = 0; offset < 4; ++offset) ASSERT_EQ(ReadFlash(layer, ref, buffer.At(offset), 0, 2048), 1);
  layer.CloseRef(ref);
  layer.OpenRef(ref, 0);
  ASSERT_EQ(ReadFlash(layer, ref, buffer.At(1), 0, 2048), 1);

  std::vector<uint32_t> codes = rec.files.ioctlCodes;
  const std::vector<uint32_t> expected = {platform::kIoctlScsiGetCapabilities, platform::kIoctlScsiPassThroughDirect,
                                          platform::kIoctlScsiPassThroughDirect, platform::kIoctlScsiPassThroughDirect,
                                          platform::kIoctlScsiPassThroughDirect, platform::kIoctlScsiGetCapabilities,
                                          platform::kIoctlScsiPassThroughDirect};
  EXPECT_EQ(codes, expected);
  for (const platform::PassThroughRequest& sent : rec.files.sent) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sent.sptd.DataBuffer) & mask, 0u);
  }
  // A buffer that already meets the mask is the adapter's own to fill, without a copy.
  EXPECT_EQ(rec.files.sent[0].sptd.DataBuffer, buffer.At(0));
}

// An adapter that does not tell its capabilities, or tells nonsense, gets page-aligned buffers,
// which meet any mask an adapter really uses.
TEST(AdapterCapabilities, UnknownMaskAssumesAPage) {
  const struct {
    const char* name;
    bool queryFails;
    uint32_t enforced;
  } cases[] = {{"query fails", true, 7}, {"not of the form 2^n - 1", false, 5}, {"beyond any adapter's", false, 0x1FFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AdapterRig rig([&c](emu::Machine& m) {
      m.SetAlignmentMask('E', c.enforced);
      if (c.queryFails) m.FailCapabilities('E');
    });
    EXPECT_EQ(rig.layer->AlignmentMask(0), ScsiLayer::kUnknownAlignmentMask);
    GuardedBuffer buffer;
    if (c.enforced <= ScsiLayer::kUnknownAlignmentMask) {
      EXPECT_EQ(ReadFlash(*rig.layer, rig.ref, buffer.At(3), 0, 2048), 1);
    }
  }
}

// Windows refuses the misaligned buffer itself: the emulated adapter does too.
TEST(AdapterCapabilities, EmulatedAdapterRefusesAMisalignedBuffer) {
  emu::Machine machine;
  testing::AttachDrives(machine, kPassThrough, 1);
  machine.SetAlignmentMask('E', 3);
  const platform::Handle e = machine.CreateFileA("\\\\.\\E:", platform::kGenericRead | platform::kGenericWrite,
                                                 platform::kFileShareRead | platform::kFileShareWrite,
                                                 platform::kOpenExisting, 0);
  platform::IoScsiCapabilities capabilities{};
  uint32_t returned = 0;
  ASSERT_EQ(machine.DeviceIoControl(e, platform::kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                                    sizeof capabilities, &returned),
            1);
  EXPECT_EQ(returned, sizeof capabilities);
  EXPECT_EQ(capabilities.Length, sizeof capabilities);
  EXPECT_EQ(capabilities.AlignmentMask, 3u);
  EXPECT_EQ(machine.DeviceIoControl(e, platform::kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                                    sizeof capabilities - 1, &returned),
            0);
  EXPECT_EQ(machine.GetLastError(), platform::kErrorInsufficientBuffer);

  GuardedBuffer buffer;
  for (std::size_t offset : {2u, 4u}) {
    platform::PassThroughRequest request{};
    request.sptd.Length = sizeof request.sptd;
    request.sptd.CdbLength = 12;
    request.sptd.DataIn = platform::kScsiIoctlDataIn;
    request.sptd.DataTransferLength = 36;
    request.sptd.TimeOutValue = 15;
    request.sptd.DataBuffer = buffer.At(offset);
    request.sptd.Cdb[0] = 0x12;
    request.sptd.Cdb[4] = 36;
    const int ok = machine.DeviceIoControl(e, platform::kIoctlScsiPassThroughDirect, &request, sizeof request,
                                           &request, sizeof request, &returned);
    EXPECT_EQ(ok, offset == 4 ? 1 : 0) << offset;
    if (ok == 0) {
      EXPECT_EQ(machine.GetLastError(), platform::kErrorInvalidParameter);
    }
  }
}

// --- Commands judged by the bytes that went across --------------------------------------------

class DataPhase : public ::testing::TestWithParam<EmulatedBackEnd> {};

INSTANTIATE_TEST_SUITE_P(BothBackEnds, DataPhase, ::testing::ValuesIn(kBothBackEnds),
                         [](const auto& p) { return testing::BackEndName(p.param); });

// A block the drive answered GOOD although it got only part of it has failed, and says so; the
// pass-through tells how much went across, the ASPI manager only that it was not all.
TEST_P(DataPhase, WriteThatMovedFewerBytesHasFailed) {
  const bool passThrough = GetParam().PassThrough();
  for (uint32_t moved : {0u, 1u, 16383u}) {
    SCOPED_TRACE(moved);
    OpenDrives rig(GetParam());
    rig.drives[0]->Inject({0xFA, -1, 1, Kind::ShortTransfer, {}, 0, false, moved});
    std::vector<uint8_t> block(kFirmwareBlockSize, 0x5A);
    Transfer transfer;
    EXPECT_EQ(WriteFirmwareBlock(rig.layer, rig.ref, block.data(), 0x1234, 0x5678, 0, 2, 1, &transfer), 0);
    EXPECT_TRUE(transfer.cutShort);
    EXPECT_EQ(transfer.moved, passThrough ? std::optional<uint32_t>(moved) : std::nullopt);
    EXPECT_EQ(rig.layer.GetSenseCode(rig.ref), 0u);  // GOOD: the drive left no sense

    // The next block goes across whole.
    EXPECT_EQ(WriteFirmwareBlock(rig.layer, rig.ref, block.data(), 0x1234, 0x5678, 0, 2, 1, &transfer), 1);
    EXPECT_FALSE(transfer.cutShort);
    EXPECT_EQ(transfer.moved, std::optional<uint32_t>(kFirmwareBlockSize));
  }
}

// A read tells how much arrived. The pass-through counts it (a short flash read succeeds with the
// count, a short INQUIRY that does not reach the product identification fails); over ASPI, which
// has no count, a read that did not move all its bytes fails.
TEST_P(DataPhase, ReadTellsHowMuchArrived) {
  const bool passThrough = GetParam().PassThrough();
  const struct {
    const char* name;
    uint8_t opcode;
    uint32_t moved;
    bool passThroughSucceeds;
  } cases[] = {{"flash read, half", 0xA0, 1024, true},   {"flash read, nothing", 0xA0, 0, true},
               {"INQUIRY through the product", 0x12, 32, true}, {"INQUIRY inside the product", 0x12, 31, false},
               {"INQUIRY, nothing", 0x12, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OpenDrives rig(GetParam());
    rig.drives[0]->Inject({c.opcode, -1, 1, Kind::ShortTransfer, {}, 0, false, c.moved});
    GuardedBuffer buffer;
    uint32_t received = 12345;
    const int ok = c.opcode == 0x12 ? Inquiry(rig.layer, rig.ref, buffer.At(0), 36, &received)
                                    : ReadFlash(rig.layer, rig.ref, buffer.At(0), 0, 2048, &received);
    EXPECT_EQ(ok, passThrough && c.passThroughSucceeds ? 1 : 0);
    EXPECT_EQ(received, passThrough ? c.moved : 0u);
    if (passThrough) {
      EXPECT_EQ(buffer.bytes[c.moved], kGuard);  // what did not arrive is left as it was
    }
  }
}

TEST(DataPhase, FailedOpenTellsItsWindowsError) {
  for (uint32_t error : {platform::kErrorAccessDenied, platform::kErrorSharingViolation}) {
    AdapterRig rig([error](emu::Machine& m) { m.FailOpen('E', error); });
    EXPECT_TRUE(rig.layer->OpenFailed(rig.ref));
    EXPECT_EQ(rig.layer->OpenError(rig.ref), error);
    EXPECT_EQ(TestUnitReady(*rig.layer, rig.ref), 0);
    EXPECT_TRUE(rig.drive->Log().empty());
  }
  OpenDrives fine(kPassThrough);
  EXPECT_FALSE(fine.layer.OpenFailed(fine.ref));
  EXPECT_EQ(fine.layer.OpenError(fine.ref), 0u);
  OpenDrives aspi(kAspi);
  EXPECT_FALSE(aspi.layer.OpenFailed(aspi.ref));
}

}  // namespace
}  // namespace scsi
