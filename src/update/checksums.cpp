// The byte sum and the BSD rotating sum of firmware blocks.
#include "update/checksums.h"

namespace update {

uint16_t ByteSum(const uint8_t* data, std::size_t length, uint16_t sum) {
  for (std::size_t i = 0; i < length; ++i) sum = static_cast<uint16_t>(sum + data[i]);
  return sum;
}

uint16_t BsdSum(const uint8_t* data, std::size_t length, uint16_t sum) {
  for (std::size_t i = 0; i < length; ++i) {
    sum = static_cast<uint16_t>((sum >> 1) | (sum << 15));
    sum = static_cast<uint16_t>(sum + data[i]);
  }
  return sum;
}

void ImageSums::Add(const uint8_t* data, std::size_t length) {
  byteSum = ByteSum(data, length, byteSum);
  bsdSum = BsdSum(data, length, bsdSum);
}

}  // namespace update
