// The 16-bit additive checksum of a drive's 2 MiB flash ROM, read back in 2048-byte chunks, with
// the 128 per-drive bytes at 0x1F8000..0x1F807F left out. Two variants that differ only in what
// a failed read does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scsi/types.h"

namespace scsi {
class ScsiLayer;
}

namespace update {

inline constexpr uint32_t kFlashRomSize = 0x200000;
inline constexpr uint16_t kFlashChunkSize = 2048;
inline constexpr uint32_t kFlashExcludedFirst = 0x1F8000;
inline constexpr uint32_t kFlashExcludedEnd = 0x1F8080;  // one past the last excluded byte

// Adds the bytes of a chunk read at flash `offset`, skipping the excluded range, modulo 65536.
uint16_t AddFlashChunk(uint16_t sum, uint32_t offset, const uint8_t* chunk, std::size_t length);

// For the flash worker: a failed chunk read is sent once more; a second failure gives 0.
// `complete`, when given, tells a true sum from that 0.
uint16_t FlashChecksumRetrying(scsi::ScsiLayer& layer, scsi::DeviceRef ref, bool* complete = nullptr);

// For the window's service command: a failed chunk read ends the walk and the sum of the chunks
// read before it is returned; `complete` tells a whole sum from that partial one, so that the
// caller can tell the operator while it still holds the device.
uint16_t FlashChecksumReporting(scsi::ScsiLayer& layer, scsi::DeviceRef ref, bool& complete);

}  // namespace update
