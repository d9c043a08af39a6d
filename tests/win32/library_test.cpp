// The library adapter against the real calls: a system DLL and its entry points found, missing
// ones not.
#include <gtest/gtest.h>

#include "platform/win32/win32_library.h"

namespace platform::win32 {
namespace {

TEST(Win32Library, FindsEntryPointsOfALoadedLibrary) {
  Win32Library library;
  const Module kernel = library.LoadLibraryA("kernel32.dll");
  ASSERT_NE(kernel, 0);
  EXPECT_EQ(library.GetModuleHandleA("KERNEL32.DLL"), kernel);
  void* tick = library.GetProcAddress(kernel, "GetTickCount");
  ASSERT_NE(tick, nullptr);
  using TickFn = unsigned long(__stdcall*)();
  EXPECT_NE(reinterpret_cast<TickFn>(tick)(), 0u);
  EXPECT_EQ(library.GetProcAddress(kernel, "NoSuchEntryPointAnywhere"), nullptr);
  EXPECT_NE(library.FreeLibrary(kernel), 0);
}

TEST(Win32Library, AMissingLibraryGivesZero) {
  EXPECT_EQ(Win32Library{}.LoadLibraryA("flash_no_such_library.dll"), 0);
  EXPECT_EQ(Win32Library{}.GetModuleHandleA("flash_no_such_library.dll"), 0);
}

}  // namespace
}  // namespace platform::win32
