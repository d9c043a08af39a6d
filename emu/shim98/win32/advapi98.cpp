// ADVAPI98.dll, the 98 SE personality's ADVAPI32: 95/98/Me export the token functions as stubs
// that fail with ERROR_CALL_NOT_IMPLEMENTED; everything else FLASH.EXE imports from ADVAPI32 is
// forwarded (the generated .def file). Sources: tests/e2e/README.md ("The 98 SE personality").
#include <windows.h>

#include "emu/shim98/win32/record.h"

namespace {

BOOL NotImplemented(const char* name) {
  shim98::Record("%s -> FALSE, error 120", name);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI Shim98_OpenProcessToken(HANDLE, DWORD, PHANDLE) { return NotImplemented("OpenProcessToken"); }

BOOL WINAPI Shim98_LookupPrivilegeValueA(LPCSTR, LPCSTR, PLUID) { return NotImplemented("LookupPrivilegeValueA"); }

BOOL WINAPI Shim98_AdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  return NotImplemented("AdjustTokenPrivileges");
}

}  // extern "C"
