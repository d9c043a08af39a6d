// The drive's byte sum and BSD rotating sum.
#include "emu/checksums.h"

namespace emu {

uint16_t ByteSum16(std::span<const uint8_t> bytes, uint16_t start) {
  uint32_t sum = start;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint16_t>(sum);
}

uint16_t BsdSum16(std::span<const uint8_t> bytes, uint16_t start) {
  uint32_t sum = start;
  for (uint8_t b : bytes) {
    sum = ((sum >> 1) | ((sum & 1u) << 15)) & 0xFFFFu;
    sum = (sum + b) & 0xFFFFu;
  }
  return static_cast<uint16_t>(sum);
}

}  // namespace emu
