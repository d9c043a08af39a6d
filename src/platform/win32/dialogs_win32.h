// The Windows adapter of platform::Dialogs: MessageBoxA.
#pragma once

#include "platform/dialogs.h"

namespace platform::win32 {

class Win32Dialogs final : public Dialogs {
 public:
  int MessageBoxA(Handle owner, const char* text, const char* caption, uint32_t type) override;
};

}  // namespace platform::win32
