// Deterministic old flash contents: a small xorshift generator, one stream for the firmware and
// another for the per-drive area, so drives with different seeds differ in both.
#include "emu/old_firmware.h"

namespace emu {
namespace {

class Xorshift32 {
 public:
  explicit Xorshift32(uint32_t seed) : state_(seed * 0x9E3779B1u + 0x6D2B79F5u) {
    if (state_ == 0) state_ = 0xA5A5A5A5u;
  }
  uint8_t NextByte() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<uint8_t>(state_ >> 24);
  }

 private:
  uint32_t state_;
};

}  // namespace

std::vector<uint8_t> MakeOldFlash(uint32_t seed) {
  std::vector<uint8_t> flash(kFlashSize, 0xFF);
  Xorshift32 firmware(seed);
  for (uint32_t i = 0; i < kOldFirmwareSize; ++i) flash[i] = firmware.NextByte();
  Xorshift32 perDrive(seed ^ 0x5EEDF00Du);
  for (uint32_t i = kPerDriveStart; i < kPerDriveEnd; ++i) flash[i] = perDrive.NextByte();
  return flash;
}

}  // namespace emu
