// Writes multi-byte command fields most significant byte first, whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace scsi {

inline void PutBe16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

inline void PutBe32(uint8_t* at, uint32_t value) {
  PutBe16(at, static_cast<uint16_t>(value >> 16));
  PutBe16(at + 2, static_cast<uint16_t>(value));
}

}  // namespace scsi
