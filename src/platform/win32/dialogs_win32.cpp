// The Windows adapter of platform::Dialogs: one call to MessageBoxA.
#include "platform/win32/dialogs_win32.h"

#include <windows.h>

namespace platform::win32 {

static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL);
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL);

int Win32Dialogs::MessageBoxA(Handle owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, type);
}

}  // namespace platform::win32
