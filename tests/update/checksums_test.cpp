// The image sums: known values, wrap-around, and feeding a stream in pieces.
#include "update/checksums.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace update {
namespace {

struct SumCase {
  const char* name;
  std::vector<uint8_t> bytes;
  uint16_t byteSum;
  uint16_t bsdSum;
};

std::vector<uint8_t> Repeat(uint8_t value, std::size_t count) { return std::vector<uint8_t>(count, value); }

TEST(Checksums, KnownValues) {
  const SumCase cases[] = {
      {"empty", {}, 0x0000, 0x0000},
      {"one byte", {0x01}, 0x0001, 0x0001},
      // 0x00FF rotates to 0x807F before the second byte is added.
      {"two 0xFF", {0xFF, 0xFF}, 0x01FE, 0x817E},
      {"abc", {'a', 'b', 'c'}, 0x0126, 0x40AC},
      // 257 x 255 = 65535; one more byte wraps the byte sum.
      {"byte sum at 0xFFFF", Repeat(0xFF, 257), 0xFFFF, 0xF2FC},
      {"byte sum wraps", Repeat(0xFF, 258), 0x00FE, 0x7A7D},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ByteSum(c.bytes.data(), c.bytes.size()), c.byteSum);
    EXPECT_EQ(BsdSum(c.bytes.data(), c.bytes.size()), c.bsdSum);
  }
}

// The rotating sum depends on order, the byte sum does not: swapping two bytes tells them apart.
TEST(Checksums, RotatingSumSeesOrder) {
  const uint8_t ab[] = {0x12, 0x34, 0x56};
  const uint8_t ba[] = {0x34, 0x12, 0x56};
  EXPECT_EQ(ByteSum(ab, 3), ByteSum(ba, 3));
  EXPECT_NE(BsdSum(ab, 3), BsdSum(ba, 3));
}

TEST(Checksums, PiecewiseFeedEqualsWhole) {
  std::vector<uint8_t> bytes(40000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
  ImageSums whole;
  whole.Add(bytes.data(), bytes.size());
  EXPECT_EQ(whole.byteSum, ByteSum(bytes.data(), bytes.size()));
  EXPECT_EQ(whole.bsdSum, BsdSum(bytes.data(), bytes.size()));
  for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{16384}, std::size_t{39999}}) {
    SCOPED_TRACE(split);
    ImageSums pieces;
    pieces.Add(bytes.data(), split);
    pieces.Add(bytes.data() + split, bytes.size() - split);
    EXPECT_EQ(pieces.byteSum, whole.byteSum);
    EXPECT_EQ(pieces.bsdSum, whole.bsdSum);
  }
}

}  // namespace
}  // namespace update
