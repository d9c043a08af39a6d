// Simple modal boxes of the class library: ShowMessage (one OK button, the application's title)
// and MessageBoxA (the platform's box, without owner window, with the caller's caption and flags).
// Both are task-modal: a box without owner window would otherwise leave the program's windows
// usable while it waits, and a handler that is waiting on a box must not be entered again.
#pragma once

#include <cstdint>
#include <string>

#include "ui/message_box_flags.h"

namespace ui {

// Does nothing without an application.
void ShowMessage(const std::string& text);
// The id of the button the user chose (kIdOk, kIdCancel, ...); 0 without an application. The box
// is task-modal whatever the flags say.
int MessageBoxA(const std::string& text, const std::string& caption, uint32_t flags);

}  // namespace ui
