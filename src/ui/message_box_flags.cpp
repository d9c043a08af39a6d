// The default button of a message box, for the headless back end's default answer.
#include "ui/message_box_flags.h"

#include <array>

namespace ui {

int DefaultButtonAnswer(uint32_t flags) {
  static constexpr std::array<std::array<int, 3>, 6> kButtons{{
      {kIdOk, 0, 0},
      {kIdOk, kIdCancel, 0},
      {kIdAbort, kIdRetry, kIdIgnore},
      {kIdYes, kIdNo, kIdCancel},
      {kIdYes, kIdNo, 0},
      {kIdRetry, kIdCancel, 0},
  }};
  const uint32_t type = flags & kMbTypeMask;
  if (type >= kButtons.size()) return kIdOk;
  const auto& buttons = kButtons[type];
  const uint32_t wanted = (flags & kMbDefMask) >> 8;
  // A default button that the box does not have falls back to the first, as Windows does.
  if (wanted < buttons.size() && buttons[wanted] != 0) return buttons[wanted];
  return buttons[0];
}

}  // namespace ui
