// The SCSI sense vocabulary: where the fields sit in sense data, the codes the units act on, the
// predicates that judge them, and short readable texts for the run log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scsi/types.h"

namespace scsi {

// Fixed-format sense data: the bytes the layer keeps per device and the fields read from them.
inline constexpr std::size_t kSenseDataLength = 16;
inline constexpr std::size_t kSenseKeyByte = 2;  // the sense key in the low nibble, flag bits above
inline constexpr std::size_t kAscByte = 12;
inline constexpr std::size_t kAscqByte = 13;

// A SenseCode from sense data: byte 2 taken whole, ASC, ASCQ.
constexpr SenseCode SenseCodeOf(const uint8_t (&sense)[kSenseDataLength]) {
  return static_cast<SenseCode>(sense[kSenseKeyByte]) << 16 | static_cast<SenseCode>(sense[kAscByte]) << 8 |
         sense[kAscqByte];
}

inline constexpr uint8_t kSenseKeyNotReady = 0x02;
inline constexpr uint8_t kSenseKeyUnitAttention = 0x06;
inline constexpr uint8_t kAscMediumMayHaveChanged = 0x28;  // not ready to ready change
inline constexpr uint8_t kAscPowerOnOrReset = 0x29;
inline constexpr uint8_t kAscMediumNotPresent = 0x3A;

constexpr SenseCode MakeSenseCode(uint8_t senseByte2, uint8_t asc, uint8_t ascq) {
  return static_cast<SenseCode>(senseByte2) << 16 | static_cast<SenseCode>(asc) << 8 | ascq;
}

// NOT READY, medium not present, no qualifier (02/3A/00).
inline constexpr SenseCode kMediumNotPresent = MakeSenseCode(kSenseKeyNotReady, kAscMediumNotPresent, 0);
// UNIT ATTENTION, not ready to ready change, medium may have changed (06/28/00).
inline constexpr SenseCode kMediumMayHaveChanged =
    MakeSenseCode(kSenseKeyUnitAttention, kAscMediumMayHaveChanged, 0);

// In every predicate byte 2 is compared whole: a code with flag bits above the key is not the
// code named, and the no-device value matches none.

// NOT READY, medium not present, with a non-zero qualifier (tray closed and empty, tray open).
constexpr bool IsNoMediumWithQualifier(SenseCode code) {
  return (code & 0xFFFF00u) == MakeSenseCode(kSenseKeyNotReady, kAscMediumNotPresent, 0) && (code & 0xFFu) != 0;
}

// UNIT ATTENTION, power on or reset, whatever the qualifier.
constexpr bool IsPowerOnOrReset(SenseCode code) {
  return (code & 0xFFFFFF00u) == MakeSenseCode(kSenseKeyUnitAttention, kAscPowerOnOrReset, 0);
}

// "no sense" for 0 and for the no-device value; otherwise "KK/AA/QQ text" with the sense key (the
// low nibble of sense byte 2), ASC and ASCQ in upper-case hexadecimal.
std::string SenseText(SenseCode code);

// The text alone: the ASC/ASCQ name, else the sense key's name.
std::string SenseMeaning(uint8_t senseKey, uint8_t asc, uint8_t ascq);

}  // namespace scsi
