// The shared drive names (under a lock) and wrong-drive flags (atomics).
#include "update/drive_table.h"

namespace update {

void DriveTable::SetName(int32_t index, const std::string& name) {
  if (!InRange(index)) return;
  std::lock_guard lock(namesMutex_);
  names_[index] = name;
}

std::string DriveTable::Name(int32_t index) const {
  if (!InRange(index)) return {};
  std::lock_guard lock(namesMutex_);
  return names_[index];
}

void DriveTable::SetWrong(int32_t index, uint8_t flag) {
  if (InRange(index)) wrong_[index].store(flag, std::memory_order_release);
}

uint8_t DriveTable::Wrong(int32_t index) const {
  return InRange(index) ? wrong_[index].load(std::memory_order_acquire) : 0;
}

void DriveTable::ClearWrongFlags() {
  for (auto& flag : wrong_) flag.store(0, std::memory_order_release);
}

}  // namespace update
