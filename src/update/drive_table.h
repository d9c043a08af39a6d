// The drive names and wrong-drive flags that the flash workers publish and the window reads,
// one entry per device index. The window owns one table and hands it to every worker.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/threads.h"

namespace update {

class DriveTable {
 public:
  // One per row of the window (app::kRows, which static_asserts the two equal).
  static constexpr int32_t kEntries = 10;

  // Indices outside 0..kEntries-1 are ignored by the setters and read as empty by the getters.
  void SetName(int32_t index, const std::string& name);
  std::string Name(int32_t index) const;

  // A worker sets its flag after its name, with release order; a reader that sees the flag with
  // Wrong() (acquire) then reads the complete name.
  void SetWrong(int32_t index, uint8_t flag);
  uint8_t Wrong(int32_t index) const;
  void ClearWrongFlags();

 private:
  static bool InRange(int32_t index) { return index >= 0 && index < kEntries; }

  mutable platform::Lock namesMutex_;
  std::array<std::string, kEntries> names_;
  std::array<std::atomic<uint8_t>, kEntries> wrong_{};
};

}  // namespace update
