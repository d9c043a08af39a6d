// The runtime's wide-character imports routed to the ANSI functions (ansi_imports.cpp), under
// Wine: the import slots are the program's own, and each route does what the wide function does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Through the import slot, as the runtime calls it; compared with the system's own export.
template <class Function>
void* Slot(Function* function) {
  return reinterpret_cast<void*>(function);
}

void* SystemExport(const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name));
}

TEST(AnsiImports, TheProgramsSlotsHoldItsOwnRoutesNotTheSystemsWideFunctions) {
  EXPECT_NE(Slot(&::CreateSemaphoreW), SystemExport("CreateSemaphoreW"));
  EXPECT_NE(Slot(&::GetModuleHandleW), SystemExport("GetModuleHandleW"));
  EXPECT_NE(Slot(&::LoadLibraryW), SystemExport("LoadLibraryW"));
}

TEST(AnsiImports, CreateSemaphoreGivesAWorkingSemaphoreNamedOrNot) {
  HANDLE unnamed = ::CreateSemaphoreW(nullptr, 0, 2, nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(::WaitForSingleObject(unnamed, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(::ReleaseSemaphore(unnamed, 1, nullptr));
  EXPECT_EQ(::WaitForSingleObject(unnamed, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ::CloseHandle(unnamed);

  HANDLE named = ::CreateSemaphoreW(nullptr, 1, 1, L"FlashAnsiRouteTest");
  ASSERT_NE(named, nullptr);
  HANDLE found = ::OpenSemaphoreA(SYNCHRONIZE, FALSE, "FlashAnsiRouteTest");
  EXPECT_NE(found, nullptr);
  if (found != nullptr) ::CloseHandle(found);
  ::CloseHandle(named);
}

TEST(AnsiImports, ModuleLookUpsTakeTheNameOrTheProgramItself) {
  EXPECT_EQ(::GetModuleHandleW(nullptr), ::GetModuleHandleA(nullptr));
  EXPECT_EQ(::GetModuleHandleW(L"kernel32.dll"), ::GetModuleHandleA("kernel32.dll"));
  EXPECT_EQ(::GetModuleHandleW(L"no-such-module.dll"), nullptr);
  HMODULE loaded = ::LoadLibraryW(L"kernel32.dll");
  EXPECT_EQ(loaded, ::GetModuleHandleA("kernel32.dll"));
  if (loaded != nullptr) ::FreeLibrary(loaded);
  EXPECT_EQ(::LoadLibraryW(nullptr), nullptr);
}

TEST(AnsiImports, ANameLongerThanAPathFailsInsteadOfBeingCut) {
  const std::wstring longName(MAX_PATH + 20, L'a');
  EXPECT_EQ(::LoadLibraryW(longName.c_str()), nullptr);
  EXPECT_EQ(::GetModuleHandleW(longName.c_str()), nullptr);
  EXPECT_EQ(::CreateSemaphoreW(nullptr, 0, 1, longName.c_str()), nullptr);
}

}  // namespace
