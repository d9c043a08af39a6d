// USER98.dll, the 98 SE personality's USER32: ExitWindowsEx is recorded and answered as done, never
// carried out (a scenario must not end its own session); 98 asks for no shutdown privilege first.
// Every other USER32 import of FLASH.EXE is forwarded (the generated .def file).
#include <windows.h>

#include "emu/shim98/win32/record.h"

extern "C" {

BOOL WINAPI Shim98_ExitWindowsEx(UINT flags, DWORD reason) {
  shim98::Record("ExitWindowsEx flags=0x%08X reason=0x%08lX -> TRUE, recorded, not carried out", flags,
                 static_cast<unsigned long>(reason));
  return TRUE;
}

}  // extern "C"
