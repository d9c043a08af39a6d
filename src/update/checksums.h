// The two 16-bit sums that guard a firmware image: the byte sum (check word A) and the BSD rotating
// sum (check word B). Shared by the image generator, the .CVT writer and the firmware file loader.
#pragma once

#include <cstddef>
#include <cstdint>

namespace update {

// Adds each byte, modulo 65536, to `sum`.
uint16_t ByteSum(const uint8_t* data, std::size_t length, uint16_t sum = 0);

// For each byte: rotate the 16-bit value right by one bit (bit 0 moves to bit 15), then add the
// byte, modulo 65536.
uint16_t BsdSum(const uint8_t* data, std::size_t length, uint16_t sum = 0);

// Both sums fed from one stream of bytes, in order, for readers that see the image piecewise.
struct ImageSums {
  uint16_t byteSum = 0;
  uint16_t bsdSum = 0;

  void Add(const uint8_t* data, std::size_t length);
};

}  // namespace update
