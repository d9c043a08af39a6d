// The .CVT writer and the strict check the build applies to a file it is asked to embed.
#include "update/cvt_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "update/checksums.h"

namespace update {
namespace {

std::vector<uint8_t> Blocks(int32_t count) {
  std::vector<uint8_t> blocks(static_cast<std::size_t>(count) * kBlockSize);
  for (std::size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<uint8_t>((i * 7919) >> 3);
  return blocks;
}

uint16_t Le16(const std::vector<uint8_t>& file, std::size_t at) {
  return static_cast<uint16_t>(file[at] | (file[at + 1] << 8));
}

TEST(CvtWriter, LaysOutHeaderBlocksAndCheckWords) {
  const auto blocks = Blocks(3);
  const auto file = MakeVerifiedCvt(blocks.data(), 3);
  ASSERT_EQ(file.size(), 40u + 3 * kBlockSize);
  const char header[36] = "Corvant DVD5270 flash file";  // zero-padded to 36 bytes
  EXPECT_EQ(std::memcmp(file.data(), header, sizeof header), 0);
  EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), file.begin() + 36));
  const std::size_t words = 36 + 3 * kBlockSize;
  EXPECT_EQ(Le16(file, words), ByteSum(blocks.data(), blocks.size()));
  EXPECT_EQ(Le16(file, words + 2), BsdSum(blocks.data(), blocks.size()));
}

TEST(CvtWriter, ExplicitCheckWordsAreWrittenAsGiven) {
  const auto blocks = Blocks(1);
  const auto file = MakeCvt(blocks.data(), 1, 0x1234, 0xABCD);
  const std::size_t words = 36 + kBlockSize;
  EXPECT_EQ(file[words], 0x34);
  EXPECT_EQ(file[words + 1], 0x12);
  EXPECT_EQ(file[words + 2], 0xCD);
  EXPECT_EQ(file[words + 3], 0xAB);
}

TEST(CvtWriter, BlockCountFollowsFileSize) {
  const struct {
    uint64_t size;
    int64_t blocks;
  } cases[] = {{0, 0},          {39, 0}, {40, 0}, {40 + 16383, 0}, {40 + 16384, 1},
               {802856, 49},    {40 + 3 * 16384 + 100, 3},          {0xFFFFFFFFull, 262143}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(CvtBlockCount(c.size), c.blocks);
  }
}

struct CheckCase {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> change;
  bool ok;
  const char* errorPart;  // a phrase the refusal names
  int32_t blocks;
};

TEST(CvtCheck, AcceptsOnlyFilesThatVerify) {
  const CheckCase cases[] = {
      {"well formed", [](auto&) {}, true, "", 3},
      {"byte 25 of the header differs", [](auto& f) { f[25] = 'X'; }, true, "", 3},
      {"byte 24 of the header differs", [](auto& f) { f[24] = 'X'; }, false, "header", 0},
      {"100 trailing bytes", [](auto& f) { f.insert(f.end(), 100, 0xEE); }, true, "", 3},
      {"one block byte changed", [](auto& f) { f[36 + 5000] ^= 0x01; }, false, "byte sum", 3},
      {"two block bytes swapped",
       [](auto& f) { std::swap(f[36 + 10], f[36 + 11]); }, false, "rotating sum", 3},
      {"check word B wrong", [](auto& f) { f[f.size() - 1] ^= 0x80; }, false, "check word B", 3},
      {"shorter than 40 bytes", [](auto& f) { f.resize(39); }, false, "shorter", 0},
      {"no blocks", [](auto& f) { f.erase(f.begin() + 36, f.end() - 4); }, false, "0 blocks", 0},
  };
  const auto blocks = Blocks(3);
  ASSERT_NE(blocks[10], blocks[11]);  // the swap must change something
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = MakeVerifiedCvt(blocks.data(), 3);
    c.change(file);
    const CvtCheck check = CheckCvt(file);
    EXPECT_EQ(check.ok, c.ok) << check.error;
    if (c.ok) {
      EXPECT_EQ(check.blockCount, c.blocks);
      EXPECT_EQ(check.checkWordA, ByteSum(blocks.data(), blocks.size()));
      EXPECT_EQ(check.checkWordB, BsdSum(blocks.data(), blocks.size()));
    } else {
      EXPECT_NE(check.error.find(c.errorPart), std::string::npos) << check.error;
    }
  }
}

TEST(CvtCheck, RefusesMoreBlocksThanThePayloadHolds) {
  const auto blocks = Blocks(kMaxBlocks + 1);
  EXPECT_TRUE(CheckCvt(MakeVerifiedCvt(blocks.data(), kMaxBlocks)).ok);
  const CvtCheck check = CheckCvt(MakeVerifiedCvt(blocks.data(), kMaxBlocks + 1));
  EXPECT_FALSE(check.ok);
  EXPECT_NE(check.error.find("65 blocks"), std::string::npos) << check.error;
}

}  // namespace
}  // namespace update
