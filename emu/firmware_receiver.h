// The drive's side of the firmware block write sequence: checks each command block, keeps the
// blocks in index order, and checks the whole image against its check words after the last one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "emu/drive_types.h"

namespace emu {

inline constexpr uint32_t kFirmwareBlockSize = 16384;
inline constexpr uint32_t kMaxFirmwareBlocks = 128;  // the whole 2 MiB flash

class FirmwareReceiver {
 public:
  enum class Kind {
    Refused,   // bad command block or out-of-order index: the sequence starts again at index 0
    Kept,      // a block in order, more to come
    Verified,  // the last block arrived and the image matches both check words
    Rejected,  // the last block arrived and the image does not match
  };
  struct Outcome {
    Kind kind;
    SenseTriple sense{};  // for Refused and Rejected
  };

  // cdb: FA A1 A0 B1 B0 X M A1 A0 B1 B0 K; block: the data phase as received.
  Outcome Accept(const std::array<uint8_t, 12>& cdb, std::span<const uint8_t> block);

  // The verified image (count × 16384 bytes); valid after a Verified outcome until the next Accept.
  const std::vector<uint8_t>& Image() const { return image_; }

  // Forget a sequence in progress.
  void Reset();

  int ExpectedIndex() const { return expected_; }

 private:
  Outcome Refuse(SenseTriple sense);

  int expected_ = 0;
  uint8_t count_ = 0;
  uint16_t checkA_ = 0;
  uint16_t checkB_ = 0;
  std::vector<uint8_t> image_;
};

}  // namespace emu
