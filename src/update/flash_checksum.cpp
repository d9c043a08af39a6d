// Reading back and summing the flash ROM.
#include "update/flash_checksum.h"

#include <algorithm>
#include <vector>

#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace update {
namespace {

// One chunk, read whole: a read that brought fewer bytes has not read the chunk.
bool ReadChunk(scsi::ScsiLayer& layer, scsi::DeviceRef ref, uint8_t* chunk, uint32_t offset) {
  uint32_t received = 0;
  return scsi::ReadFlash(layer, ref, chunk, offset, kFlashChunkSize, &received) != 0 &&
         received == kFlashChunkSize;
}

// Reads each chunk into a buffer cleared first, so a short answer cannot leave the previous
// chunk's bytes in the sum. `onFailure` decides whether a failed read is retried (true: the
// chunk counts after a good retry) or ends the walk. True when every chunk was summed.
template <typename OnFailure>
bool WalkFlash(scsi::ScsiLayer& layer, scsi::DeviceRef ref, uint16_t& sum, OnFailure onFailure) {
  std::vector<uint8_t> chunk(kFlashChunkSize);
  for (uint32_t offset = 0; offset < kFlashRomSize; offset += kFlashChunkSize) {
    std::fill(chunk.begin(), chunk.end(), 0);
    if (!ReadChunk(layer, ref, chunk.data(), offset)) {
      std::fill(chunk.begin(), chunk.end(), 0);
      if (!onFailure(offset, chunk.data())) return false;
    }
    sum = AddFlashChunk(sum, offset, chunk.data(), chunk.size());
  }
  return true;
}

}  // namespace

uint16_t AddFlashChunk(uint16_t sum, uint32_t offset, const uint8_t* chunk, std::size_t length) {
  for (std::size_t j = 0; j < length; ++j) {
    const uint64_t at = uint64_t{offset} + j;
    if (at < kFlashExcludedFirst || at >= kFlashExcludedEnd) sum = static_cast<uint16_t>(sum + chunk[j]);
  }
  return sum;
}

uint16_t FlashChecksumRetrying(scsi::ScsiLayer& layer, scsi::DeviceRef ref, bool* complete) {
  uint16_t sum = 0;
  const bool whole = WalkFlash(layer, ref, sum, [&](uint32_t offset, uint8_t* chunk) {
    return ReadChunk(layer, ref, chunk, offset);
  });
  if (complete != nullptr) *complete = whole;
  return whole ? sum : 0;
}

uint16_t FlashChecksumReporting(scsi::ScsiLayer& layer, scsi::DeviceRef ref, bool& complete) {
  uint16_t sum = 0;
  complete = WalkFlash(layer, ref, sum, [](uint32_t, uint8_t*) { return false; });
  return sum;
}

}  // namespace update
