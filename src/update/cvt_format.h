// The firmware update file (.CVT): a 36-byte header, N blocks of 16384 bytes, then check word A
// and check word B little-endian. Writing such files, and the strict check that the build applies
// to a file it is asked to embed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "update/firmware_image.h"

namespace update {

inline constexpr char kCvtMagic[] = "Corvant DVD5270 flash file";
inline constexpr std::size_t kCvtHeaderSize = 36;
inline constexpr std::size_t kCvtMagicCompared = 25;  // the loader compares only these
inline constexpr std::size_t kCvtTrailerSize = 4;  // check word A, then check word B
// Below this the header or the check words are incomplete.
inline constexpr std::size_t kCvtMinimumSize = kCvtHeaderSize + kCvtTrailerSize;

// Header text padded with zeros, the blocks, then the two check words exactly as given.
std::vector<uint8_t> MakeCvt(const uint8_t* blocks, int32_t blockCount, uint16_t checkWordA,
                             uint16_t checkWordB);

// Same, with check words that are the blocks' own byte sum and BSD sum: a file that verifies.
std::vector<uint8_t> MakeVerifiedCvt(const uint8_t* blocks, int32_t blockCount);

// The first `blockCount` blocks of an image with the image's check words.
std::vector<uint8_t> MakeCvtFromImage(const FirmwareImage& image);

// Blocks in a file of `fileSize` bytes: floor((S - 40) / 16384), 0 below 40 bytes; bytes after
// the check words are ignored.
int64_t CvtBlockCount(uint64_t fileSize);

// header holds at least kCvtMagicCompared bytes.
bool CvtHeaderMatches(const uint8_t* header);

// A check word as the file stores it: little-endian; bytes holds at least 2.
uint16_t ReadCheckWord(const uint8_t* bytes);

struct CvtCheck {
  bool ok = false;
  std::string error;  // why the file was refused, for a person to read
  int32_t blockCount = 0;
  uint16_t checkWordA = 0;
  uint16_t checkWordB = 0;
  std::size_t blocksOffset = kCvtHeaderSize;
};

// Accepts a file only when its header starts with the magic text, it holds 1..kMaxBlocks blocks
// and both check words equal the sums of its blocks. Bytes after the check words (fewer than a
// block) are ignored, as the loader does.
CvtCheck CheckCvt(const std::vector<uint8_t>& file);

}  // namespace update
