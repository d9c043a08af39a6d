// The flash contents a new emulated drive starts with: deterministic old firmware and per-drive
// bytes, both derived from the drive's seed.
#pragma once

#include <cstdint>
#include <vector>

namespace emu {

inline constexpr uint32_t kFlashSize = 0x200000;
inline constexpr uint32_t kPerDriveStart = 0x1F8000;
inline constexpr uint32_t kPerDriveEnd = 0x1F8080;  // one past the last per-drive byte
inline constexpr uint32_t kOldFirmwareSize = 0x100000;

// Old firmware in the first MiB, erased (0xFF) flash after it, and the per-drive bytes.
std::vector<uint8_t> MakeOldFlash(uint32_t seed);

}  // namespace emu
