// Conformance runs natively against the project's own profile functions.
#include "profile_under_test.h"

#include "settings/ini_profile.h"

std::unique_ptr<platform::Profile> MakeProfileUnderTest() { return std::make_unique<settings::IniProfile>(); }
