// The firmware file loader: the edge cases of the .CVT format, its messages, the order of its steps
// and its state, on generated files served by an in-memory FileIo.
#include "service/cvt_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "cvt_fixture.h"
#include "recording_profile.h"
#include "update/checksums.h"
#include "update/cvt_format.h"

namespace {

using fixture::MakeCvt;

constexpr char kPath[] = "C:\\FW\\DVD.CVT";
constexpr char kStartupDirectory[] = "C:\\Tools";
constexpr char kPathWrite[] = "write [FIRMWARE] PATH=C:\\FW\\DVD.CVT to C:\\Tools.\\FLASH.INI";
constexpr uint32_t kBlock = 16384;

std::vector<uint8_t> WithByte(std::vector<uint8_t> file, std::size_t offset, uint8_t value) {
  file.at(offset) = value;
  return file;
}

std::vector<uint8_t> Resized(std::vector<uint8_t> file, std::size_t size, uint8_t fill = 0) {
  file.resize(size, fill);
  return file;
}

class CvtLoaderTest : public ::testing::Test {
 protected:
  std::vector<std::string> events;
  fixture::FakeFileIo files{events};
  fixture::RecordingProfile profile{events};
  std::vector<std::string> messages;
  int flashEnabled = 0;
  int allocations = 0;
  service::LoaderUi ui{[this](const std::string& m) { messages.push_back(m); }, [this] { ++flashEnabled; }};
  service::CvtLoader loader{files, profile, ui, [this](std::size_t size) {
                              ++allocations;
                              return std::make_unique<uint8_t[]>(size);
                            }};

  void Load(const std::string& path = kPath) { loader.LoadAndVerify(path, kStartupDirectory); }

  int BlockReads() const { return static_cast<int>(std::count(events.begin(), events.end(), "read 16384")); }

  // The buffer holds the file's first `blocks` blocks at their offsets and zeros after them.
  void ExpectBuffer(const std::vector<uint8_t>& file, int blocks) {
    ASSERT_NE(loader.Buffer(), nullptr);
    std::vector<uint8_t> expected(service::kCvtBufferSize, 0);
    std::copy_n(file.begin() + 36, static_cast<std::size_t>(blocks) * kBlock, expected.begin());
    const uint8_t* buffer = loader.Buffer();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer)) << "buffer differs";
  }
};

struct LoadCase {
  const char* name;
  std::vector<uint8_t> file;
  std::vector<std::string> messages;
  bool verified;
  bool fileHeld;
  bool loaded;
  int blockReads;       // 16384-byte reads attempted
  int blocksInBuffer;   // blocks copied to the buffer
  int failRead = 0;     // 1-based ReadFile call that fails
  uint32_t reportedSize = 0;  // what GetFileSize says, when not the real size
};

class CvtLoadCases : public CvtLoaderTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(CvtLoadCases, MessagesStateAndBuffer) {
  const LoadCase& c = GetParam();
  files.AddFile(kPath, c.file);
  if (c.reportedSize != 0) files.ReportSize(kPath, c.reportedSize);
  files.FailRead(c.failRead);

  Load();

  EXPECT_EQ(messages, c.messages);
  const service::CvtLoaderState& state = loader.State();
  EXPECT_EQ(state.verified, c.verified);
  EXPECT_EQ(flashEnabled, c.verified ? 1 : 0);
  EXPECT_EQ(state.file != 0, c.fileHeld);
  EXPECT_EQ(files.openHandles(), c.fileHeld ? 1 : 0);
  EXPECT_EQ(state.loaded, c.loaded);
  EXPECT_EQ(BlockReads(), c.blockReads);
  ExpectBuffer(c.file, c.blocksInBuffer);
  // The path is recorded before anything is read, and all reads share one work buffer.
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], std::string("open ") + kPath);
  EXPECT_EQ(events[1], kPathWrite);
  EXPECT_EQ(events[2], "size");
  EXPECT_EQ(events[3], "read 36");
  EXPECT_EQ(std::count(files.readBuffers.begin(), files.readBuffers.end(), files.readBuffers.front()),
            static_cast<std::ptrdiff_t>(files.readBuffers.size()));
}

const std::vector<uint8_t> kGood49 = MakeCvt(49);
const std::vector<std::string> kNone;
const std::vector<std::string> kReadNg{"Read NG"};
const std::vector<std::string> kHeaderNg{"The .CVT file header NG"};
const std::vector<std::string> kMismatch{"Checksum mismatch"};
const std::vector<std::string> kReadNgThenMismatch{"Read NG", "Checksum mismatch"};

// Block 0 opening with four zero bytes: after a failed read of block 0 the sums are 0 and the next
// four bytes of the file are 0 too.
std::vector<uint8_t> ZeroOpeningBlock() {
  auto file = MakeCvt(2);
  std::fill_n(file.begin() + 36, 4, uint8_t{0});
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Cvt, CvtLoadCases,
    ::testing::Values(
        LoadCase{"Verified49", kGood49, kNone, true, false, false, 49, 49},
        LoadCase{"OneBlockByteChanged", WithByte(kGood49, 36 + 17 * kBlock + 5, kGood49[36 + 17 * kBlock + 5] ^ 0x40),
                 kMismatch, false, true, true, 49, 49},
        LoadCase{"Byte25Differs", WithByte(kGood49, 25, 'X'), kNone, true, false, false, 49, 49},
        LoadCase{"Byte24Differs", WithByte(kGood49, 24, 'X'), kHeaderNg, false, false, false, 0, 0},
        LoadCase{"Byte0Differs", WithByte(kGood49, 0, 'c'), kHeaderNg, false, false, false, 0, 0},
        // Check words at 36 + 3 * 16384; the 100 bytes after them would not match.
        LoadCase{"TrailingBytesIgnored", Resized(MakeCvt(3), 40 + 3 * kBlock + 100, 0xA5), kNone, true, false, false,
                 3, 3},
        LoadCase{"Exactly40Bytes", MakeCvt(0), kNone, true, false, false, 0, 0},
        LoadCase{"Exactly40BytesNonZeroWords", WithByte(MakeCvt(0), 36, 1), kMismatch, false, true, true, 0, 0},
        LoadCase{"SixtyFourBlocksFillTheBuffer", MakeCvt(64), kNone, true, false, false, 64, 64},
        LoadCase{"SixtyFiveBlocksRefused", MakeCvt(65), kReadNg, false, false, false, 0, 0},
        LoadCase{"ThirtyNineBytes", Resized(MakeCvt(0), 39), kHeaderNg, false, false, false, 0, 0},
        LoadCase{"ThirtySixBytes", Resized(MakeCvt(0), 36), kHeaderNg, false, false, false, 0, 0},
        LoadCase{"TenBytes", Resized(MakeCvt(0), 10), kHeaderNg, false, false, false, 0, 0},
        LoadCase{"EmptyFile", {}, kHeaderNg, false, false, false, 0, 0},
        LoadCase{"HeaderReadFails", kGood49, kReadNg, false, true, false, 0, 0, 1},
        // The sixth block fails: the five before it are in the buffer, the load cannot verify.
        LoadCase{"BlockReadFails", kGood49, kReadNgThenMismatch, false, true, false, 6, 5, 7},
        LoadCase{"FirstBlockFailsBeforeZeroBytes", ZeroOpeningBlock(), kReadNgThenMismatch, false, true, false, 1, 0,
                 2},
        LoadCase{"FileShorterThanMeasured", Resized(MakeCvt(3), 36 + 2 * kBlock + 100), kReadNgThenMismatch, false,
                 true, false, 3, 2, 0, 40 + 3 * kBlock},
        LoadCase{"CheckWordsCutShort", Resized(MakeCvt(3), 38 + 3 * kBlock), kMismatch, false, true, true, 3, 3, 0,
                 40 + 3 * kBlock}),
    [](const ::testing::TestParamInfo<LoadCase>& param) { return std::string(param.param.name); });

TEST_F(CvtLoaderTest, MissingFileReadsNothingButRecordsThePath) {
  Load("C:\\FW\\NONE.CVT");
  EXPECT_EQ(messages, kReadNg);
  EXPECT_EQ(events, (std::vector<std::string>{"open C:\\FW\\NONE.CVT",
                                              "write [FIRMWARE] PATH=C:\\FW\\NONE.CVT to C:\\Tools.\\FLASH.INI"}));
  EXPECT_EQ(loader.State().file, 0);
  EXPECT_FALSE(loader.State().loaded);
  // Nothing was held, so the next load closes nothing.
  events.clear();
  files.AddFile(kPath, MakeCvt(0));
  Load();
  EXPECT_EQ(std::count(events.begin(), events.end(), "close"), 1);  // only the verified file's own close
}

TEST_F(CvtLoaderTest, OpensForSharedSequentialReading) {
  files.AddFile(kPath, MakeCvt(1));
  Load();
  EXPECT_EQ(files.lastAccess, platform::kGenericRead);
  EXPECT_EQ(files.lastShare, platform::kFileShareRead | platform::kFileShareWrite);
  EXPECT_EQ(files.lastDisposition, platform::kOpenExisting);
  EXPECT_EQ(files.lastFlags, platform::kFileFlagSequentialScan);
  EXPECT_EQ(events, (std::vector<std::string>{"open C:\\FW\\DVD.CVT", kPathWrite, "size", "read 36", "read 16384",
                                              "read 4", "close"}));
}

TEST_F(CvtLoaderTest, BufferAllocatedOnceAndClearedOnEveryLoad) {
  files.AddFile(kPath, kGood49);
  files.AddFile("C:\\FW\\EMPTY.CVT", MakeCvt(0));
  Load();
  Load("C:\\FW\\EMPTY.CVT");
  EXPECT_EQ(allocations, 1);
  ExpectBuffer(MakeCvt(0), 0);
  EXPECT_EQ(loader.State().blockCount, 0);
}

TEST_F(CvtLoaderTest, HeldFileClosedBeforeTheNextOpenAndVerifiedStaysSet) {
  files.AddFile(kPath, kGood49);
  files.AddFile("C:\\FW\\BAD.CVT", WithByte(kGood49, 40, static_cast<uint8_t>(kGood49[40] + 1)));
  Load();
  Load("C:\\FW\\BAD.CVT");
  ASSERT_EQ(messages, kMismatch);
  EXPECT_TRUE(loader.State().verified);
  EXPECT_EQ(files.openHandles(), 1);

  events.clear();
  Load();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], "close");
  EXPECT_EQ(events[1], std::string("open ") + kPath);
  EXPECT_EQ(flashEnabled, 2);
  EXPECT_EQ(files.openHandles(), 0);
}

TEST_F(CvtLoaderTest, FileHeldAfterMismatchIsClosedWithTheLoader) {
  files.AddFile(kPath, WithByte(MakeCvt(0), 38, 7));
  {
    service::CvtLoader local(files, profile, ui);
    local.LoadAndVerify(kPath, kStartupDirectory);
    EXPECT_EQ(files.openHandles(), 1);
  }
  EXPECT_EQ(files.openHandles(), 0);
}

TEST(CvtLoaderAllocation, FailedAllocationTouchesNothing) {
  std::vector<std::string> events;
  fixture::FakeFileIo files(events);
  fixture::RecordingProfile profile(events);
  std::vector<std::string> messages;
  files.AddFile(kPath, MakeCvt(0));
  service::CvtLoader loader(files, profile, {[&](const std::string& m) { messages.push_back(m); }, nullptr},
                            [](std::size_t) { return std::unique_ptr<uint8_t[]>(); });
  loader.LoadAndVerify(kPath, kStartupDirectory);
  EXPECT_EQ(messages, (std::vector<std::string>{"Memory allocation NG"}));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(loader.Buffer(), nullptr);
}

TEST(CvtFormat, BlockCountMatchesTheFloatingPointRule) {
  const uint32_t sizes[] = {0,       1,          39,          40,          41,         40 + 16383,
                            40 + 16384, 40 + 49 * 16384, 1048615, 1048616, 1048617, 0x7FFFFFFFu,
                            0x80000000u, 0xFFFFFFD7u, 0xFFFFFFFFu};
  for (uint32_t size : sizes) {
    const int32_t expected = size < 40 ? 0 : static_cast<int32_t>((static_cast<double>(size) - 40.0) * 0.00006103515625);
    EXPECT_EQ(update::CvtBlockCount(size), expected) << size;
  }
}

TEST(CvtFormat, SumsOfAShortRun) {
  const uint8_t bytes[] = {1, 2, 3, 0xFF};
  update::ImageSums sums;
  sums.Add(bytes, 3);
  EXPECT_EQ(sums.byteSum, 6);
  EXPECT_EQ(sums.bsdSum, 0x4004);  // 1; 0x8000 + 2; 0x4001 + 3
  sums.Add(bytes + 3, 1);
  EXPECT_EQ(sums.byteSum, 0x105);
  EXPECT_EQ(sums.bsdSum, 0x2002 + 0xFF);
}

}  // namespace
