// Lock::try_lock in the Windows build, in a file of its own: TryEnterCriticalSection exists from
// Windows NT 4.0 on but not on Windows 98, so FLASH.EXE must not link it. Only the emulated ASPI
// manager (test equipment run under Wine) uses it; the import check keeps it out of the program.
#include "platform/win32/win32_lock_state.h"

namespace platform {

bool Lock::try_lock() { return ::TryEnterCriticalSection(&state_->section) != 0; }

}  // namespace platform
