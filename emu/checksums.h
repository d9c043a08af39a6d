// The drive's own check of a received firmware image: the 16-bit byte sum and the 16-bit BSD
// rotating sum. Kept apart from the updater's copy so the emulated drive checks independently.
#pragma once

#include <cstdint>
#include <span>

namespace emu {

// Sum of the bytes, modulo 65536.
uint16_t ByteSum16(std::span<const uint8_t> bytes, uint16_t start = 0);

// For each byte: rotate the 16-bit value right by one bit (bit 0 to bit 15), then add the byte.
uint16_t BsdSum16(std::span<const uint8_t> bytes, uint16_t start = 0);

}  // namespace emu
