// The placeholder generator: exact sums for any check words, determinism, and the generated
// record source read back byte for byte.
#include "placeholder_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "update/checksums.h"
#include "update/firmware_image.h"

namespace tools {
namespace {

TEST(PlaceholderImage, HitsBothCheckWordsExactly) {
  const struct {
    int32_t blocks;
    uint16_t a;
    uint16_t b;
    uint32_t seed;
  } cases[] = {
      {49, 0x51C4, 0xF9E1, 1}, {1, 0x0000, 0x0000, 2},     {1, 0xFFFF, 0xFFFF, 3},
      {2, 0x0001, 0x8000, 4},  {64, 0x1234, 0x0001, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.blocks << " blocks, " << c.a << "/" << c.b);
    const auto blocks = MakePlaceholderBlocks(c.blocks, c.a, c.b, c.seed);
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(c.blocks) * update::kBlockSize);
    EXPECT_EQ(update::ByteSum(blocks.data(), blocks.size()), c.a);
    EXPECT_EQ(update::BsdSum(blocks.data(), blocks.size()), c.b);
  }
}

TEST(PlaceholderImage, SameSeedSameBytesOtherSeedOtherBytes) {
  const auto first = MakePlaceholderBlocks(2, 0x51C4, 0xF9E1, 7);
  EXPECT_EQ(first, MakePlaceholderBlocks(2, 0x51C4, 0xF9E1, 7));
  EXPECT_NE(first, MakePlaceholderBlocks(2, 0x51C4, 0xF9E1, 8));
}

TEST(PlaceholderImage, RefusesCountsOutsideThePayload) {
  EXPECT_TRUE(MakePlaceholderBlocks(0, 1, 1, 1).empty());
  EXPECT_TRUE(MakePlaceholderBlocks(update::kMaxBlocks + 1, 1, 1, 1).empty());
}

// Reads the payload bytes back from a generated source: octal escapes of the string form or the
// numbers of the list form.
std::vector<uint8_t> ParsePayload(const std::string& source) {
  std::vector<uint8_t> bytes;
  const std::size_t start = source.find("u,\n", source.find("u,\n") + 1) + 3;
  const bool listForm = source.find("{\n", start) != std::string::npos;
  const char* text = source.c_str();
  for (std::size_t i = start; i < source.size() && source[i] != '}'; ++i) {
    if (!listForm && source[i] == '\\') {
      bytes.push_back(static_cast<uint8_t>(std::strtol(source.substr(i + 1, 3).c_str(), nullptr, 8)));
      i += 3;
    } else if (listForm && source[i] >= '0' && source[i] <= '9') {
      char* end = nullptr;
      bytes.push_back(static_cast<uint8_t>(std::strtol(text + i, &end, 10)));
      i = static_cast<std::size_t>(end - text) - 1;
    }
  }
  return bytes;
}

TEST(ImageSource, CarriesValuesAndPayloadInBothForms) {
  const struct {
    const char* name;
    int32_t blocks;
    uint8_t lastByte;
  } cases[] = {
      {"string literal when the payload ends in zeros", 3, 0x00},
      {"number list when the last payload byte is set", update::kMaxBlocks, 0x5A},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> blocks(static_cast<std::size_t>(c.blocks) * update::kBlockSize);
    for (std::size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<uint8_t>(i % 251);
    blocks[blocks.size() - 2] = 0;
    blocks.back() = c.lastByte;
    std::ostringstream out;
    WriteImageSource(out, c.blocks, 0x51C4, 0xF9E1, blocks, "a test");
    const std::string source = out.str();
    EXPECT_NE(source.find("    " + std::to_string(c.blocks) + ",\n    0x51c4u,\n    0xf9e1u,\n"),
              std::string::npos);
    std::vector<uint8_t> parsed = ParsePayload(source);
    parsed.resize(blocks.size());  // trailing zeros are left to the record's zero fill
    EXPECT_EQ(parsed, blocks);
  }
}

}  // namespace
}  // namespace tools
