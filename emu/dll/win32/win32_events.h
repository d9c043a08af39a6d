// The real events and tick count behind the emulated ASPI manager's host in WNASPI32.DLL.
#pragma once

#include <cstdint>

#include "emu/dll/realtime_host.h"
#include "platform/threads.h"

namespace emu::dll::win32 {

class Win32Events final : public RealEvents {
 public:
  uint64_t TickMs() override;  // GetTickCount, carried past its 49-day wrap
  bool IsEvent(platform::Handle event) override;  // GetHandleInformation
  void Set(platform::Handle event) override;      // SetEvent

 private:
  platform::Lock mutex_;
  uint32_t last_ = 0;
  uint64_t high_ = 0;
};

}  // namespace emu::dll::win32
