// The profile implementation that the conformance table runs against: settings::IniProfile natively,
// the Windows functions in the 32-bit suites (one source file per build, chosen by CMake).
#pragma once

#include <memory>

#include "platform/profile.h"

std::unique_ptr<platform::Profile> MakeProfileUnderTest();
