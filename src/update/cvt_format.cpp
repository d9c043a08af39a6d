// Writing and strictly checking .CVT firmware files.
#include "update/cvt_format.h"

#include <cstdio>
#include <cstring>

#include "update/checksums.h"

namespace update {
namespace {

void PutLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value & 0xFF);
  p[1] = static_cast<uint8_t>(value >> 8);
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::vector<uint8_t> MakeCvt(const uint8_t* blocks, int32_t blockCount, uint16_t checkWordA,
                             uint16_t checkWordB) {
  const std::size_t blockBytes = blockCount > 0 ? static_cast<std::size_t>(blockCount) * kBlockSize : 0;
  std::vector<uint8_t> out(kCvtHeaderSize + blockBytes + kCvtTrailerSize, 0);
  std::memcpy(out.data(), kCvtMagic, sizeof kCvtMagic - 1);
  if (blockBytes > 0) std::memcpy(out.data() + kCvtHeaderSize, blocks, blockBytes);
  PutLe16(out.data() + kCvtHeaderSize + blockBytes, checkWordA);
  PutLe16(out.data() + kCvtHeaderSize + blockBytes + 2, checkWordB);
  return out;
}

std::vector<uint8_t> MakeVerifiedCvt(const uint8_t* blocks, int32_t blockCount) {
  const std::size_t blockBytes = blockCount > 0 ? static_cast<std::size_t>(blockCount) * kBlockSize : 0;
  ImageSums sums;
  sums.Add(blocks, blockBytes);
  return MakeCvt(blocks, blockCount, sums.byteSum, sums.bsdSum);
}

std::vector<uint8_t> MakeCvtFromImage(const FirmwareImage& image) {
  int32_t count = image.blockCount;
  if (count < 0) count = 0;
  if (count > kMaxBlocks) count = kMaxBlocks;
  return MakeCvt(image.payload, count, image.checkWordA, image.checkWordB);
}

int64_t CvtBlockCount(uint64_t fileSize) {
  if (fileSize < kCvtMinimumSize) return 0;
  return static_cast<int64_t>((fileSize - kCvtHeaderSize - kCvtTrailerSize) / kBlockSize);
}

bool CvtHeaderMatches(const uint8_t* header) { return std::memcmp(header, kCvtMagic, kCvtMagicCompared) == 0; }

uint16_t ReadCheckWord(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

CvtCheck CheckCvt(const std::vector<uint8_t>& file) {
  CvtCheck check;
  if (file.size() < kCvtMinimumSize) {
    check.error = "file of " + std::to_string(file.size()) + " bytes is shorter than the 40 bytes of "
                  "header and check words";
    return check;
  }
  if (!CvtHeaderMatches(file.data())) {
    check.error = "header does not start with \"" + std::string(kCvtMagic, kCvtMagicCompared) + "\"";
    return check;
  }
  const int64_t count = CvtBlockCount(file.size());
  if (count < 1 || count > kMaxBlocks) {
    check.error = "holds " + std::to_string(count) + " blocks; the image takes 1 to " +
                  std::to_string(kMaxBlocks);
    return check;
  }
  check.blockCount = static_cast<int32_t>(count);
  const std::size_t blockBytes = static_cast<std::size_t>(count) * kBlockSize;
  const uint8_t* blocks = file.data() + kCvtHeaderSize;
  check.checkWordA = ReadCheckWord(blocks + blockBytes);
  check.checkWordB = ReadCheckWord(blocks + blockBytes + 2);
  ImageSums sums;
  sums.Add(blocks, blockBytes);
  if (sums.byteSum != check.checkWordA) {
    check.error = "byte sum of the blocks is " + Hex4(sums.byteSum) + ", check word A says " +
                  Hex4(check.checkWordA);
    return check;
  }
  if (sums.bsdSum != check.checkWordB) {
    check.error = "rotating sum of the blocks is " + Hex4(sums.bsdSum) + ", check word B says " +
                  Hex4(check.checkWordB);
    return check;
  }
  check.ok = true;
  return check;
}

}  // namespace update
