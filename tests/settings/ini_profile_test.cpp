// The native profile functions beyond the shared conformance table: Windows-style names, and the
// in-place edit that keeps every other line byte for byte, as Windows itself does.
#include "settings/ini_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "scoped_temp_dir.h"

namespace {

TEST(ResolveWindowsPath, Names) {
  struct Case {
    const char* windows;
    const char* resolved;
  };
  const Case cases[] = {
      {".\\FLASH.INI", "FLASH.INI"},
      {"/opt/Tools.\\FLASH.INI", "/opt/Tools/FLASH.INI"},
      {"/.\\FLASH.INI", "/FLASH.INI"},
      // A directory whose own name ends in a period keeps it: only the joining period goes.
      {"/opt/v1..\\FLASH.INI", "/opt/v1./FLASH.INI"},
      {"/opt/...\\F.INI", "/opt/.../F.INI"},
      {"..\\F.INI", "../F.INI"},
      {"/opt/a/.\\b\\\\c.ini", "/opt/a/b/c.ini"},
      {"/opt/a/F.INI.", "/opt/a/F.INI."},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(settings::ResolveWindowsPath(c.windows), c.resolved) << c.windows;
}

TEST(IniProfileWrite, KeepsEveryOtherLineByteForByte) {
  struct Case {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  };
  const Case cases[] = {
      {"blank lines, comments and spacing", "; hand-made\r\n\r\n[FLASHROM]\r\n  CHECKSUM =  7 \r\n\r\n[X]\r\na = 1\r\n",
       "flashrom", "checksum", "4464", "; hand-made\r\n\r\n[FLASHROM]\r\nCHECKSUM=4464\r\n\r\n[X]\r\na = 1\r\n"},
      {"line feeds only", "[A]\nx=1\n\n[B]\ny=2\n", "A", "x", "5", "[A]\nx=5\n\n[B]\ny=2\n"},
      {"new key before the blank line", "[A]\r\nx=1\r\n\r\n[B]\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\n"},
      {"new key in an empty section", "[A]\r\n[B]\r\n", "A", "y", "2", "[A]\r\ny=2\r\n[B]\r\n"},
      {"new section after a final blank line", "[A]\r\nx=1\r\n\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
  };
  settings::IniProfile profile;
  testfs::ScopedTempDir dir;
  for (const Case& c : cases) {
    testfs::WriteText(dir.path() / "f.ini", c.before);
    EXPECT_EQ(profile.WritePrivateProfileStringA(c.section, c.key, c.value, dir.WindowsName("f.ini").c_str()), 1);
    EXPECT_EQ(testfs::ReadText(dir.path() / "f.ini"), c.after) << c.name;
  }
}

// The results that Wine's kernel32 profile tests record for NT and for 9x (test_profile_int): the
// families differ only on a leading '+'.
TEST(IniProfileRead, IntegersAsEachFamilyReadsThem) {
  struct Case {
    const char* value;  // nullptr: no such key
    int32_t defaultValue;
    uint32_t nt;
    uint32_t win9x;
  };
  const Case cases[] = {
      {nullptr, -1, 4294967295u, 4294967295u}, {nullptr, 1, 1, 1},
      {"-1", 1, 4294967295u, 4294967295u},      {"1", -1, 1, 1},
      {"+1", -1, 1, 0},                         {"+1", 1, 1, 0},
      {" +1 ", 7, 1, 0},                        {"4294967296", 1, 0, 0},
      {"4294967297", -1, 1, 1},                 {"-4294967297", 1, 4294967295u, 4294967295u},
      {"42A94967297", -1, 42, 42},              {"B4294967297", 1, 0, 0},
  };
  testfs::ScopedTempDir dir;
  const std::string file = dir.WindowsName("f.ini");
  for (const Case& c : cases) {
    testfs::WriteText(dir.path() / "f.ini", c.value ? std::string("[S]\r\nK=") + c.value + "\r\n" : "[S]\r\n");
    settings::IniProfile profile;
    EXPECT_EQ(profile.GetPrivateProfileIntA("S", "K", c.defaultValue, file.c_str()), c.nt) << c.value;
    profile.SetIntegerReading(settings::IniProfile::IntegerReading::Win9x);
    EXPECT_EQ(profile.GetPrivateProfileIntA("S", "K", c.defaultValue, file.c_str()), c.win9x) << c.value;
  }
}

TEST(IniProfileRead, NullArgumentsGiveTheDefault) {
  settings::IniProfile profile;
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(profile.GetPrivateProfileIntA(nullptr, "K", 3, ".\\none.ini"), 3u);
  EXPECT_EQ(profile.GetPrivateProfileStringA("S", nullptr, "d", buffer, sizeof buffer, ".\\none.ini"), 1u);
  EXPECT_STREQ(buffer, "d");
  EXPECT_EQ(profile.GetPrivateProfileStringA("S", "K", "d", buffer, 0, ".\\none.ini"), 0u);
  EXPECT_EQ(profile.WritePrivateProfileStringA("S", "K", nullptr, ".\\none.ini"), 0);
}

}  // namespace
