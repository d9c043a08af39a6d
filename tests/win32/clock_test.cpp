// The clock adapter against the real calls, and the aggregate that hands the adapters out.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/win32/win32_clock.h"
#include "platform/win32/windows_os.h"

namespace platform::win32 {
namespace {

uint32_t CrtTimeOfDay() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  return static_cast<uint32_t>(local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec);
}

// The adapter's reading must fall between two readings of the C library's local time; a wrong
// weight for hours or minutes, or UTC in place of local time, lands far outside.
TEST(Win32Clock, TimeOfDayIsLocalSecondsSinceMidnight) {
  Win32Clock clock;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const uint32_t before = CrtTimeOfDay();
    clock.Sleep(1);
    const uint32_t t = TimeOfDaySeconds(clock);
    const uint32_t after = CrtTimeOfDay();
    if (after < before) continue;  // midnight passed in between
    EXPECT_LT(t, 86400u);
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
    return;
  }
  FAIL() << "midnight three times in a row";
}

TEST(WindowsPlatform, ScsiPlatformReachesTheBundledAdapters) {
  const Os os = WindowsOs();
  const ScsiPlatform a = os.Scsi();
  const ScsiPlatform b = WindowsOs().Scsi();
  EXPECT_EQ(&a.system, &b.system);
  EXPECT_EQ(&a.files, &b.files);
  EXPECT_EQ(&a.library, &b.library);
  EXPECT_EQ(&a.sync, &b.sync);
  EXPECT_EQ(&a.clock, &b.clock);
  EXPECT_EQ(&os.profile, &WindowsOs().profile);
  EXPECT_EQ(&os.shell, &WindowsOs().shell);
  EXPECT_EQ(&os.desktop, &WindowsOs().desktop);
  EXPECT_NE(a.system.GetLogicalDrives(), 0u);
  EXPECT_LT(TimeOfDaySeconds(a.clock), 86400u);
  EXPECT_EQ(a.files.CreateFileA("Q:\\missing", kGenericRead, kFileShareRead, kOpenExisting, 0), kInvalidHandle);
}

}  // namespace
}  // namespace platform::win32
