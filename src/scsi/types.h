// Shared vocabulary of the SCSI access layer: device references, sense codes, directions, CDBs.
#pragma once

#include <array>
#include <cstdint>

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

}  // namespace scsi
