// The three wide-character imports of the C++ runtime, routed to their ANSI functions inside the
// program. Windows 95/98/Me export CreateSemaphoreW, GetModuleHandleW and LoadLibraryW only as
// stubs that return NULL (the Microsoft Layer for Unicode's documentation lists the few wide
// functions those systems carry out; these are not among them). libgcc's mutexes and emulated
// thread-local storage take their semaphores from CreateSemaphoreW, so on 98 a contended lock
// waited on a NULL handle; the C runtime's extras look modules up with the other two.
//
// The runtime calls each through its import slot (__imp__Name@N). A program that defines the slots
// itself, in an object of its own rather than a library, has the linker take these and leave the
// system's names out of its import table; tools/imports/flash_imports.list then keeps them out.
#include <windows.h>

namespace {

// A name as the ANSI function takes it, in the system's ANSI code page; false when it does not
// convert or does not fit.
bool ToAnsi(const wchar_t* wide, char (&ansi)[MAX_PATH]) {
  return ::WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, MAX_PATH, nullptr, nullptr) != 0;
}

HANDLE WINAPI CreateSemaphoreViaAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                                     LPCWSTR name) {
  if (name == nullptr) return ::CreateSemaphoreA(attributes, initialCount, maximumCount, nullptr);
  char ansi[MAX_PATH];
  if (!ToAnsi(name, ansi)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  return ::CreateSemaphoreA(attributes, initialCount, maximumCount, ansi);
}

HMODULE WINAPI GetModuleHandleViaAnsi(LPCWSTR moduleName) {
  if (moduleName == nullptr) return ::GetModuleHandleA(nullptr);
  char ansi[MAX_PATH];
  if (!ToAnsi(moduleName, ansi)) {
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return ::GetModuleHandleA(ansi);
}

HMODULE WINAPI LoadLibraryViaAnsi(LPCWSTR fileName) {
  char ansi[MAX_PATH];
  if (fileName == nullptr || !ToAnsi(fileName, ansi)) {
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return ::LoadLibraryA(ansi);
}

}  // namespace

// The import slots, under the names the i386 import libraries give them.
extern "C" {
__attribute__((used)) decltype(&CreateSemaphoreViaAnsi) flashCreateSemaphoreWSlot
    __asm__("__imp__CreateSemaphoreW@16") = &CreateSemaphoreViaAnsi;
__attribute__((used)) decltype(&GetModuleHandleViaAnsi) flashGetModuleHandleWSlot
    __asm__("__imp__GetModuleHandleW@4") = &GetModuleHandleViaAnsi;
__attribute__((used)) decltype(&LoadLibraryViaAnsi) flashLoadLibraryWSlot
    __asm__("__imp__LoadLibraryW@4") = &LoadLibraryViaAnsi;
}
