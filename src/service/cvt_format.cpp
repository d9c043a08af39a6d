// .CVT layout helpers: block count, header check and the two check sums.
#include "service/cvt_format.h"

#include <cstring>

namespace service {

int32_t CvtBlockCount(uint32_t fileSize) {
  if (fileSize < kCvtMinimumSize) return 0;
  return static_cast<int32_t>((fileSize - kCvtMinimumSize) / kCvtBlockSize);
}

bool CvtHeaderMatches(const uint8_t* header) { return std::memcmp(header, kCvtMagic, kCvtMagicCompared) == 0; }

void CvtSums::Add(const uint8_t* data, std::size_t size) {
  uint16_t bytes = byteSum;
  uint16_t rotating = rotatingSum;
  for (std::size_t i = 0; i < size; ++i) {
    bytes = static_cast<uint16_t>(bytes + data[i]);
    rotating = static_cast<uint16_t>((rotating >> 1) | ((rotating & 1u) << 15));
    rotating = static_cast<uint16_t>(rotating + data[i]);
  }
  byteSum = bytes;
  rotatingSum = rotating;
}

uint16_t ReadLittleEndian16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

}  // namespace service
