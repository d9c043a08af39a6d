// The sense answers of the emulated drive and the fixed-format sense block they travel in.
#pragma once

#include <array>
#include <cstdint>

#include "emu/drive_types.h"

namespace emu {

inline constexpr std::size_t kSenseSize = 18;
using SenseBlock = std::array<uint8_t, kSenseSize>;

inline constexpr SenseTriple kSenseNoMedium{0x02, 0x3A, 0x00};
inline constexpr SenseTriple kSenseTrayClosedEmpty{0x02, 0x3A, 0x01};
inline constexpr SenseTriple kSenseTrayOpen{0x02, 0x3A, 0x02};
inline constexpr SenseTriple kSenseBecomingReady{0x02, 0x04, 0x01};
inline constexpr SenseTriple kSenseMediumChanged{0x06, 0x28, 0x00};
inline constexpr SenseTriple kSensePowerOnReset{0x06, 0x29, 0x00};
inline constexpr SenseTriple kSenseInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr SenseTriple kSenseInvalidField{0x05, 0x24, 0x00};
// A block write to a drive that still waits for its parameter write.
inline constexpr SenseTriple kSenseSequenceError{0x05, 0x2C, 0x00};
// The received image does not match its check words; the old flash is kept.
inline constexpr SenseTriple kSenseImageRejected{0x05, 0x26, 0x02};

// Fixed-format sense: response code 0x70, byte 2 whole, additional length 10, ASC at 12, ASCQ at 13.
inline SenseBlock FixedSense(SenseTriple s) {
  SenseBlock block{};
  block[0] = 0x70;
  block[2] = s.byte2;
  block[7] = 10;
  block[12] = s.asc;
  block[13] = s.ascq;
  return block;
}

}  // namespace emu
