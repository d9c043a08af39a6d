// msvc98.dll, the 98 SE personality's msvcrt: _beginthreadex hands its last argument to
// CreateThread, which refuses a NULL thread-id pointer on 95/98/Me, so it fails there as 98's
// runtime would (0, errno EINVAL). Everything else FLASH.EXE imports from msvcrt is forwarded
// (the generated .def file).
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <process.h>

#include "emu/shim98/win32/record.h"

extern "C" {

uintptr_t __cdecl Shim98_beginthreadex(void* security, unsigned stack, unsigned(__stdcall* start)(void*), void* arg,
                                       unsigned flags, unsigned* threadId) {
  if (threadId == nullptr) {
    shim98::Record("_beginthreadex thread-id NULL -> 0, errno EINVAL, error 87");
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return 0;
  }
  return _beginthreadex(security, stack, start, arg, flags, threadId);
}

}  // extern "C"
