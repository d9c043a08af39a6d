// The flash ROM checksum read back from emulated drives: the sum and its excluded range, the
// retrying variant's second chance, the reporting variant's stop and partial sum.
#include "update/flash_checksum.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scsi/scsi_layer.h"
#include "worker_rig.h"

namespace update {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kEveryBackEnd;
using testing::FlashSum;
using testing::Model;
using testing::Rig;

TEST(FlashChunk, SkipsExactlyTheExcludedRange) {
  const struct {
    uint32_t offset;
    std::size_t length;
    uint16_t sum;  // of that many 1 bytes
  } cases[] = {
      {0, 2048, 2048},
      {0x1F7800, 2048, 2048},        // ends right before the range
      {0x1F8000, 2048, 2048 - 128},  // holds the range
      {0x1F7FFF, 1, 1},              // last byte before
      {0x1F8000, 1, 0},              // first byte of
      {0x1F807F, 1, 0},              // last byte of
      {0x1F8080, 1, 1},              // first byte after
      {0x1F7FF0, 0x100, 0x100 - 0x80},
  };
  const std::vector<uint8_t> ones(4096, 1);
  for (const auto& c : cases) {
    EXPECT_EQ(AddFlashChunk(0, c.offset, ones.data(), c.length), c.sum) << std::hex << c.offset;
  }
  EXPECT_EQ(AddFlashChunk(0xFFFF, 0, ones.data(), 2), 1);  // wraps modulo 65536
}

// One drive on a layer, its device reference open for the duration of a test.
class FlashChecksum : public ::testing::TestWithParam<EmulatedBackEnd> {
 protected:
  FlashChecksum() : rig_(GetParam(), {Model("TEVOR", "DVD RW KMR5133", 9)}), drive_(*rig_.drives[0]) {
    rig_.layer->OpenRef(ref_, 0);
  }
  ~FlashChecksum() override { rig_.layer->CloseRef(ref_); }

  int Reads() const {
    int reads = 0;
    for (const auto& record : drive_.Log()) reads += record.cdb[0] == 0xA0 && record.cdb[1] == 0x15;
    return reads;
  }
  // The sum of the first `chunks` chunks of the drive's flash.
  uint16_t SumOfChunks(int chunks) const {
    std::vector<uint8_t> flash = drive_.Flash();
    flash.resize(static_cast<std::size_t>(chunks) * kFlashChunkSize);
    return FlashSum(flash);
  }

  Rig rig_;
  emu::Drive& drive_;
  scsi::DeviceRef ref_ = scsi::kClosedRef;
  int readsSoFar_ = 0;  // the drive counts the n-th read of a fault over its whole life
};

INSTANTIATE_TEST_SUITE_P(EveryBackEnd, FlashChecksum,
                         ::testing::ValuesIn(kEveryBackEnd),
                         [](const auto& p) { return testing::BackEndName(p.param); });

TEST_P(FlashChecksum, AllOnesGives8080) {
  drive_.FillFlash(0xFF);
  EXPECT_EQ(FlashChecksumRetrying(*rig_.layer, ref_), 0x8080);
  bool complete = false;
  EXPECT_EQ(FlashChecksumReporting(*rig_.layer, ref_, complete), 0x8080);
  EXPECT_TRUE(complete);
  EXPECT_EQ(Reads(), 2 * 1024);
  // Chunk k read at k * 2048, 2048 bytes: A0 15 0A 00 00 00 A3 A2 A1 A0 08 00.
  const auto log = drive_.Log();
  EXPECT_EQ(log[1023].cdb, (std::array<uint8_t, 12>{0xA0, 0x15, 0x0A, 0, 0, 0, 0x00, 0x1F, 0xF8, 0x00, 0x08, 0x00}));
}

TEST_P(FlashChecksum, PerDriveBytesDoNotCount) {
  const uint16_t before = FlashChecksumRetrying(*rig_.layer, ref_);
  EXPECT_EQ(before, FlashSum(drive_.Flash()));
  drive_.WriteFlash(0x1F8000, std::vector<uint8_t>(128, 0x5A));
  EXPECT_EQ(FlashChecksumRetrying(*rig_.layer, ref_), before);
  const uint8_t firstAfter = drive_.Flash()[0x1F8080];
  drive_.WriteFlash(0x1F8080, {0});
  EXPECT_EQ(FlashChecksumRetrying(*rig_.layer, ref_), static_cast<uint16_t>(before - firstAfter));
}

TEST_P(FlashChecksum, RetryingVariantReadsAFailedChunkOnceMore) {
  const emu::SenseTriple error{0x03, 0x11, 0x00};
  const struct {
    const char* name;
    std::vector<int> failures;  // the n-th reads that fail
    bool wholeSum;
    int reads;
  } cases[] = {
      {"first read of chunk 0 fails", {1}, true, 1025},
      {"first read of chunk 700 fails", {701}, true, 1025},
      {"chunk 5 fails twice", {6, 7}, false, 7},
      {"chunk 0 fails twice", {1, 2}, false, 2},
  };
  const uint16_t whole = FlashSum(drive_.Flash());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drive_.ClearFaults();
    drive_.ClearLog();
    for (int n : c.failures) drive_.FailNthVendor(0xA0, 0x15, n + readsSoFar_, error);
    bool complete = !c.wholeSum;
    EXPECT_EQ(FlashChecksumRetrying(*rig_.layer, ref_, &complete), c.wholeSum ? whole : 0);
    EXPECT_EQ(complete, c.wholeSum);
    EXPECT_EQ(Reads(), c.reads);
    readsSoFar_ += Reads();
  }
}

TEST_P(FlashChecksum, ReportingVariantStopsAtAFailedReadAndReturnsThePartialSum) {
  const emu::SenseTriple error{0x03, 0x11, 0x00};
  const struct {
    const char* name;
    int failingRead;
    int goodChunks;
  } cases[] = {{"first chunk", 1, 0}, {"sixth chunk", 6, 5}, {"last chunk", 1024, 1023}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drive_.ClearFaults();
    drive_.ClearLog();
    drive_.FailNthVendor(0xA0, 0x15, c.failingRead + readsSoFar_, error);
    bool complete = true;
    const uint16_t sum = FlashChecksumReporting(*rig_.layer, ref_, complete);
    EXPECT_EQ(sum, SumOfChunks(c.goodChunks));
    EXPECT_FALSE(complete);
    EXPECT_EQ(Reads(), c.failingRead);  // no retry, nothing read after the failure
    readsSoFar_ += Reads();
  }
  EXPECT_EQ(SumOfChunks(0), 0);
}

}  // namespace
}  // namespace update
