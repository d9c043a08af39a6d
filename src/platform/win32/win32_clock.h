// Clock over the real Windows calls: Sleep and the local time.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
 public:
  void Sleep(uint32_t milliseconds) override;
  void GetLocalTime(SystemTime* time) override;
};

}  // namespace platform::win32
