// The drive's byte sum and BSD rotating sum on hand-checked values.
#include <gtest/gtest.h>

#include <vector>

#include "emu/checksums.h"

namespace emu {
namespace {

TEST(Checksums, HandCheckedValues) {
  struct Case {
    std::vector<uint8_t> bytes;
    uint16_t byteSum;
    uint16_t bsdSum;
  };
  const Case cases[] = {
      {{}, 0x0000, 0x0000},
      {{0x01}, 0x0001, 0x0001},
      {{0x01, 0x02}, 0x0003, 0x8002},        // 1 rotated right is 0x8000
      {{0x01, 0x02, 0x03}, 0x0006, 0x4004},  // 0x8002 rotated is 0x4001
      {{0xFF, 0xFF}, 0x01FE, 0x817E},        // 0xFF rotated is 0x807F
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ByteSum16(c.bytes), c.byteSum) << c.bytes.size();
    EXPECT_EQ(BsdSum16(c.bytes), c.bsdSum) << c.bytes.size();
  }
  EXPECT_EQ(ByteSum16(std::vector<uint8_t>(300, 0xFF)), 0x2AD4);  // 76500 modulo 65536
}

TEST(Checksums, AddsUpAcrossPieces) {
  std::vector<uint8_t> bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  const std::span<const uint8_t> all(bytes);
  EXPECT_EQ(ByteSum16(all.subspan(600), ByteSum16(all.first(600))), ByteSum16(all));
  EXPECT_EQ(BsdSum16(all.subspan(600), BsdSum16(all.first(600))), BsdSum16(all));
}

}  // namespace
}  // namespace emu
