// Conformance runs in the 32-bit suites against the Windows profile functions.
#include "profile_under_test.h"

#include "platform/win32/profile_win32.h"

std::unique_ptr<platform::Profile> MakeProfileUnderTest() { return std::make_unique<platform::win32::Win32Profile>(); }
