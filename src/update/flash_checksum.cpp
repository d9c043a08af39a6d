// Reading back and summing the flash ROM.
#include "update/flash_checksum.h"

#include <algorithm>
#include <vector>

#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace update {
namespace {

// Reads each chunk into a buffer cleared first, so a short answer cannot leave the previous
// chunk's bytes in the sum. `onFailure` decides whether a failed read is retried (true: the
// chunk counts after a good retry) or ends the walk with the sum so far.
template <typename OnFailure>
uint16_t WalkFlash(scsi::ScsiLayer& layer, scsi::DeviceRef ref, uint16_t& sum, OnFailure onFailure) {
  std::vector<uint8_t> chunk(kFlashChunkSize);
  for (uint32_t offset = 0; offset < kFlashRomSize; offset += kFlashChunkSize) {
    std::fill(chunk.begin(), chunk.end(), 0);
    if (!scsi::ReadFlash(layer, ref, chunk.data(), offset, kFlashChunkSize)) {
      std::fill(chunk.begin(), chunk.end(), 0);
      if (!onFailure(offset, chunk.data())) return sum;
    }
    sum = AddFlashChunk(sum, offset, chunk.data(), chunk.size());
  }
  return sum;
}

}  // namespace

uint16_t AddFlashChunk(uint16_t sum, uint32_t offset, const uint8_t* chunk, std::size_t length) {
  for (std::size_t j = 0; j < length; ++j) {
    const uint64_t at = uint64_t{offset} + j;
    if (at < kFlashExcludedFirst || at >= kFlashExcludedEnd) sum = static_cast<uint16_t>(sum + chunk[j]);
  }
  return sum;
}

uint16_t FlashChecksumRetrying(scsi::ScsiLayer& layer, scsi::DeviceRef ref) {
  uint16_t sum = 0;
  WalkFlash(layer, ref, sum, [&](uint32_t offset, uint8_t* chunk) {
    if (scsi::ReadFlash(layer, ref, chunk, offset, kFlashChunkSize)) return true;
    sum = 0;
    return false;
  });
  return sum;
}

uint16_t FlashChecksumReporting(scsi::ScsiLayer& layer, scsi::DeviceRef ref,
                                platform::Dialogs& dialogs, platform::Handle owner,
                                const char* caption) {
  uint16_t sum = 0;
  return WalkFlash(layer, ref, sum, [&](uint32_t, uint8_t*) {
    dialogs.MessageBoxA(owner, kReadFlashNg, caption, platform::kMbOk);
    return false;
  });
}

}  // namespace update
