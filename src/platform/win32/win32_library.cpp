// Library adapter: LoadLibraryA, GetModuleHandleA, GetProcAddress, FreeLibrary.
#include "platform/win32/win32_library.h"

#include <windows.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

Module Win32Library::LoadLibraryA(const char* fileName) { return FromWinModule(::LoadLibraryA(fileName)); }

Module Win32Library::GetModuleHandleA(const char* moduleName) { return FromWinModule(::GetModuleHandleA(moduleName)); }

// The caller casts the address back to the entry point's own type; Windows and its compilers
// guarantee that function and data pointers have the same size.
void* Win32Library::GetProcAddress(Module module, const char* procName) {
  return reinterpret_cast<void*>(::GetProcAddress(ToWinModule(module), procName));
}

int Win32Library::FreeLibrary(Module module) { return ::FreeLibrary(ToWinModule(module)); }

}  // namespace platform::win32
