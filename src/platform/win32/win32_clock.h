// Clock over the real Windows calls: Sleep and the local time of day.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
 public:
  void Sleep(uint32_t milliseconds) override;
  uint32_t TimeOfDaySeconds() override;
};

}  // namespace platform::win32
