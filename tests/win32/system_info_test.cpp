// The system adapter against the real calls: the platform family and the drive letters Wine reports.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_system_info.h"

namespace platform::win32 {
namespace {

std::string RootOf(int letterIndex) { return std::string(1, static_cast<char>('A' + letterIndex)) + ":\\"; }

TEST(Win32SystemInfo, PlatformIdIsOneOfTheWin32Families) {
  // 0 would mean the 148-byte record was refused; Wine answers 2, or 1 when set to a 9x version.
  Win32SystemInfo system;
  const uint32_t id = PlatformId(system);
  EXPECT_TRUE(id == kPlatformWin32Windows || id == kPlatformWin32NT) << id;
}

TEST(Win32SystemInfo, LogicalDrivesHaveRootsOfPlausibleTypes) {
  Win32SystemInfo system;
  const uint32_t mask = system.GetLogicalDrives();
  EXPECT_TRUE(mask & ((1u << 2) | (1u << 25))) << std::hex << mask;  // C: or Z:
  for (int i = 0; i < 26; ++i) {
    const uint32_t type = system.GetDriveTypeA(RootOf(i).c_str());
    if (mask & (1u << i)) {
      EXPECT_GE(type, kDriveRemovable) << RootOf(i);
      EXPECT_LE(type, kDriveRamDisk) << RootOf(i);
    } else {
      EXPECT_EQ(type, kDriveNoRootDir) << RootOf(i);
    }
  }
}

TEST(Win32SystemInfo, DriveCIsFixed) {
  Win32SystemInfo system;
  ASSERT_TRUE(system.GetLogicalDrives() & (1u << 2));
  EXPECT_EQ(system.GetDriveTypeA("C:\\"), kDriveFixed);
}

}  // namespace
}  // namespace platform::win32
