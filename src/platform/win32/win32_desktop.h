// Windows adapter of platform::Desktop: the single-copy mutex, the power status and the execution
// state.
#pragma once

#include "platform/desktop.h"

namespace platform::win32 {

class Win32Desktop final : public Desktop {
 public:
  Handle CreateMutexA(bool initialOwner, const char* name) override;
  int CloseMutex(Handle mutex) override;
  int GetSystemPowerStatus(SystemPowerStatus* status) override;
  uint32_t SetThreadExecutionState(void* entry, uint32_t flags) override;
};

}  // namespace platform::win32
