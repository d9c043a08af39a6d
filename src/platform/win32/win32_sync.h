// Sync over the real Windows calls: events and timed waits.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32Sync final : public Sync {
 public:
  Handle CreateEventA(bool manualReset, bool initialState) override;
  int SetEvent(Handle event) override;
  int ResetEvent(Handle event) override;
  uint32_t WaitForSingleObject(Handle object, uint32_t milliseconds) override;
  int CloseEvent(Handle event) override;
};

}  // namespace platform::win32
