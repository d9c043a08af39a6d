// Modal message boxes behind the platform boundary: MessageBoxA and the constants the system uses.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

// MessageBoxA button sets and answers.
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows the box and returns the button picked (kIdOk, kIdCancel), or 0 when it cannot be shown.
  // An owner of 0 means no owner window.
  virtual int MessageBoxA(Handle owner, const char* text, const char* caption, uint32_t type) = 0;
};

}  // namespace platform
