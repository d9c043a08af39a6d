// The embedded image record and the model strings, byte for byte as the program stores them.
#include "update/firmware_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "update/checksums.h"
#include "update/cvt_format.h"

namespace update {
namespace {

const uint8_t* RecordBytes() { return reinterpret_cast<const uint8_t*>(&kEmbeddedImage); }

TEST(EmbeddedImage, StoresCountAndCheckWordsLittleEndianFirst) {
  const uint8_t expected[8] = {0x31, 0x00, 0x00, 0x00, 0xC4, 0x51, 0xE1, 0xF9};
  EXPECT_EQ(std::memcmp(RecordBytes(), expected, sizeof expected), 0);
  EXPECT_EQ(kEmbeddedImage.blockCount, 49);
  EXPECT_EQ(kEmbeddedImage.checkWordA, 0x51C4);
  EXPECT_EQ(kEmbeddedImage.checkWordB, 0xF9E1);
  EXPECT_EQ(ImageBlock(kEmbeddedImage, 48), RecordBytes() + 8 + 48 * 16384);
}

// A drive (and the file loader) accepts the blocks only when both sums equal the check words.
TEST(EmbeddedImage, BlocksSumToTheirCheckWords) {
  ImageSums sums;
  sums.Add(kEmbeddedImage.payload, static_cast<std::size_t>(kEmbeddedImage.blockCount) * kBlockSize);
  EXPECT_EQ(sums.byteSum, kEmbeddedImage.checkWordA);
  EXPECT_EQ(sums.bsdSum, kEmbeddedImage.checkWordB);
  EXPECT_TRUE(CheckCvt(MakeCvtFromImage(kEmbeddedImage)).ok);
}

TEST(EmbeddedImage, PayloadAfterTheBlocksIsZero) {
  const uint8_t* end = kEmbeddedImage.payload + kPayloadSize;
  const uint8_t* unused = kEmbeddedImage.payload + 49 * kBlockSize;
  EXPECT_EQ(unused - kEmbeddedImage.payload, 802816);
  EXPECT_TRUE(std::all_of(unused, end, [](uint8_t b) { return b == 0; }));
}

// Placeholder or real, every block carries varied bytes: a drive given a constant image would
// prove nothing about block order.
TEST(EmbeddedImage, BlocksDifferFromEachOther) {
  for (int32_t i = 1; i < kEmbeddedImage.blockCount; ++i) {
    EXPECT_NE(std::memcmp(ImageBlock(kEmbeddedImage, i - 1), ImageBlock(kEmbeddedImage, i), kBlockSize), 0)
        << "block " << i;
  }
}

TEST(ModelStrings, SixStringsBackToBack) {
  static const char expected[] =
      "TEVOR\0HTL6190\0DVD RW KMR5133\0DVD RW KMR5133\0TEVOR\0DVD RW KMR5133";
  static_assert(sizeof expected == sizeof(ModelStrings));
  EXPECT_EQ(std::memcmp(&kModelStrings, expected, sizeof expected), 0);
}

}  // namespace
}  // namespace update
