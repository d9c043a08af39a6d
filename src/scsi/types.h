// Shared vocabulary of the SCSI access layer: device references, sense codes, directions, CDBs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace scsi {

// A caller's open-device reference: the device index, or kClosedRef when nothing is open.
using DeviceRef = int32_t;
inline constexpr DeviceRef kClosedRef = 255;

// Sense byte 2 (taken whole, flag bits included) << 16 | ASC << 8 | ASCQ.
using SenseCode = uint32_t;
inline constexpr SenseCode kNoDeviceSense = 0xFFFFFF;

// Data directions; 8 and 16 are the ASPI direction flag bits.
inline constexpr uint8_t kDirNone = 0;
inline constexpr uint8_t kDirIn = 8;
inline constexpr uint8_t kDirOut = 16;

inline constexpr uint8_t kCdbLength = 12;
using Cdb = std::array<uint8_t, kCdbLength>;

inline constexpr uint32_t kDefaultTimeoutMs = 15000;

// The target's status byte, as both back ends report it.
inline constexpr uint8_t kStatusGood = 0;
inline constexpr uint8_t kStatusCheckCondition = 2;

// The transport start-up chose from the operating-system family: the NT pass-through interface,
// the consumer family's ASPI manager, or none on a platform that is neither (no drive is listed).
enum class BackEnd { None, PassThrough, Aspi };

// What a command's data phase moved, as the transport reported it.
struct Transfer {
  // The bytes that went across, when the transport counted them: the pass-through always does
  // for a completed request; the ASPI manager tells only that a request moved all its bytes.
  std::optional<uint32_t> moved;
  // The drive answered GOOD but the data phase ended early. A data-out cut short has failed: the
  // drive did not get what it was sent.
  bool cutShort = false;
};

}  // namespace scsi
