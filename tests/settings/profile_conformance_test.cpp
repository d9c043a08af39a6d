// One table of profile-function cases for both implementations: natively settings::IniProfile, in
// the 32-bit suites under Wine the Windows functions, which are the reference. Each case has a file
// of its own, since the Windows side caches profile files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "profile_under_test.h"
#include "scoped_temp_dir.h"

namespace {

constexpr const char* kNoFile = nullptr;

class ProfileConformance : public ::testing::Test {
 protected:
  std::unique_ptr<platform::Profile> profile = MakeProfileUnderTest();
  testfs::ScopedTempDir dir;

  // Lays out the case's file (or none) and gives its Windows-style name.
  std::string Prepare(std::size_t index, const char* text) {
    const std::string leaf = "case" + std::to_string(index) + ".ini";
    if (text != kNoFile) testfs::WriteText(dir.path() / leaf, text);
    return dir.WindowsName(leaf);
  }
};

// The lines that are not blank. Windows edits in place; Wine rewrites the whole file without its
// blank lines; both keep every other line and the order.
std::vector<std::string> NonBlankLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

struct IntCase {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  int32_t defaultValue;
  uint32_t expected;
};

const IntCase kIntCases[] = {
    {"no file", kNoFile, "FLASHROM", "CHECKSUM", -1, 0xFFFFFFFFu},
    {"no section", "[OTHER]\r\nCHECKSUM=5\r\n", "FLASHROM", "CHECKSUM", 7, 7},
    {"no key", "[FLASHROM]\r\nOTHER=5\r\n", "FLASHROM", "CHECKSUM", -1, 0xFFFFFFFFu},
    {"minus one", "[DRIVE_PRIORITY]\r\n0=-1\r\n", "DRIVE_PRIORITY", "0", 3, 0xFFFFFFFFu},
    {"beyond 16 bits", "[FLASHROM]\r\nCHECKSUM=70000\r\n", "FLASHROM", "CHECKSUM", 0, 70000},
    {"section and key in another case", "[flashrom]\r\nchecksum=12\r\n", "FLASHROM", "CHECKSUM", 0, 12},
    {"asked in another case", "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n", "Drive_Priority", "total_drive", -1, 2},
    {"blanks around names and value", "  [ S ]  \r\n  K  =  42  \r\n", "S", "K", 0, 42},
    {"plus sign", "[S]\r\nK=+5\r\n", "S", "K", 0, 5},
    {"quoted", "[S]\r\nK=\"5\"\r\n", "S", "K", 0, 5},
    {"letters only", "[S]\r\nK=abc\r\n", "S", "K", -1, 0},
    {"digits then letters", "[S]\r\nK=12abc\r\n", "S", "K", -1, 12},
    {"sign then blank", "[S]\r\nK=- 3\r\n", "S", "K", -1, 0},
    {"hexadecimal prefix", "[S]\r\nK=0x10\r\n", "S", "K", -1, 16},
    {"largest 32-bit", "[S]\r\nK=4294967295\r\n", "S", "K", 0, 0xFFFFFFFFu},
    {"wraps past 32 bits", "[S]\r\nK=99999999999\r\n", "S", "K", 0, 1215752191u},
    {"empty value", "[S]\r\nK=\r\n", "S", "K", -4, 0xFFFFFFFCu},
    {"key without equals sign", "[S]\r\nK\r\n", "S", "K", -4, 0xFFFFFFFCu},
    {"line feeds only", "[S]\nK=3\n", "S", "K", 0, 3},
    {"no final line break", "[S]\r\nK=3", "S", "K", 0, 3},
    {"key before any section", "K=1\r\n[S]\r\nL=2\r\n", "S", "K", -1, 0xFFFFFFFFu},
    {"later key of the section", "[A]\r\nK=1\r\n[S]\r\nJ=1\r\n\r\nK=9\r\n[T]\r\nK=2\r\n", "S", "K", 0, 9},
    {"first of two sections", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", 0, 1},
    {"not in the first of two sections", "[S]\r\nK=1\r\n[S]\r\nL=3\r\n", "S", "L", -1, 0xFFFFFFFFu},
    {"unclosed section bracket", "[S\r\nK=1\r\n", "S", "K", -1, 0xFFFFFFFFu},
    {"text after the bracket", "[S]junk\r\nK=8\r\n", "S", "K", -1, 8},
};

TEST_F(ProfileConformance, IntegerReads) {
  for (std::size_t i = 0; i < std::size(kIntCases); ++i) {
    const IntCase& c = kIntCases[i];
    const std::string file = Prepare(i, c.file);
    EXPECT_EQ(profile->GetPrivateProfileIntA(c.section, c.key, c.defaultValue, file.c_str()), c.expected) << c.name;
  }
}

struct StringCase {
  const char* name;
  const char* file;
  const char* key;
  const char* defaultValue;
  uint32_t size;
  const char* expected;
};

const std::string kLongPath = "C:\\" + std::string(126, 'a') + "\\F.CVT";  // 135 characters

const StringCase kStringCases[] = {
    {"no file", kNoFile, "PATH", "", 128, ""},
    {"no file, default text", kNoFile, "PATH", "def", 128, "def"},
    {"no key, default text", "[FIRMWARE]\r\nOTHER=x\r\n", "PATH", "def", 128, "def"},
    {"a path", "[FIRMWARE]\r\nPATH=C:\\FW\\DVD5270.CVT\r\n", "PATH", "", 128, "C:\\FW\\DVD5270.CVT"},
    {"key in another case", "[Firmware]\r\npath=D:\\x.cvt\r\n", "PATH", "", 128, "D:\\x.cvt"},
    {"inner blanks kept", "[FIRMWARE]\r\nPATH=  C:\\My Files\\a b.cvt  \r\n", "PATH", "", 128, "C:\\My Files\\a b.cvt"},
    {"double quotes removed", "[FIRMWARE]\r\nPATH=\"C:\\a b.cvt\"\r\n", "PATH", "", 128, "C:\\a b.cvt"},
    {"single quotes removed", "[FIRMWARE]\r\nPATH='x'\r\n", "PATH", "", 128, "x"},
    {"unmatched quote kept", "[FIRMWARE]\r\nPATH=\"y\r\n", "PATH", "", 128, "\"y"},
    {"empty value is not the default", "[FIRMWARE]\r\nPATH=\r\n", "PATH", "def", 128, ""},
    {"key without equals sign", "[FIRMWARE]\r\nPATH\r\n", "PATH", "def", 128, "def"},
    {"cut to the buffer", "[FIRMWARE]\r\nPATH=spaced  value\r\n", "PATH", "", 8, "spaced "},
};

TEST_F(ProfileConformance, StringReads) {
  for (std::size_t i = 0; i < std::size(kStringCases); ++i) {
    const StringCase& c = kStringCases[i];
    const std::string file = Prepare(i, c.file);
    char buffer[128];
    std::memset(buffer, 'Z', sizeof buffer);
    const uint32_t copied = profile->GetPrivateProfileStringA("FIRMWARE", c.key, c.defaultValue, buffer, c.size,
                                                             file.c_str());
    EXPECT_STREQ(buffer, c.expected) << c.name;
    EXPECT_EQ(copied, std::strlen(c.expected)) << c.name;
  }
}

TEST_F(ProfileConformance, LongPathCutTo127Characters) {
  const std::string file = Prepare(0, ("[FIRMWARE]\r\nPATH=" + kLongPath + "\r\n").c_str());
  char buffer[128] = {};
  EXPECT_EQ(profile->GetPrivateProfileStringA("FIRMWARE", "PATH", "", buffer, 128, file.c_str()), 127u);
  EXPECT_EQ(std::string(buffer), kLongPath.substr(0, 127));
}

struct WriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  std::vector<std::string> after;  // the non-blank lines
};

const WriteCase kWriteCases[] = {
    {"creates the file", kNoFile, "FIRMWARE", "PATH", "C:\\x.cvt", {"[FIRMWARE]", "PATH=C:\\x.cvt"}},
    {"changes only its key, keeping its spelling",
     "; top\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n; c\r\nz=3\r\n[C]\r\nw=4\r\n", "b", "Y", "20",
     {"; top", "[A]", "x=1", "[B]", "y=20", "; c", "z=3", "[C]", "w=4"}},
    {"adds a key at the end of its section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n; c\r\n[C]\r\nw=4\r\n", "B", "new", "5",
     {"[A]", "x=1", "[B]", "y=2", "; c", "new=5", "[C]", "w=4"}},
    {"adds a section at the end", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "DRIVE_PRIORITY", "TOTAL_DRIVE", "-1",
     {"[A]", "x=1", "[B]", "y=2", "[DRIVE_PRIORITY]", "TOTAL_DRIVE=-1"}},
    {"adds a key before a blank line", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3",
     {"[A]", "x=1", "z=3", "[B]", "y=2"}},
    {"no final line break, new key", "[A]\r\nx=1", "A", "y", "2", {"[A]", "x=1", "y=2"}},
    {"no final line break, new section", "[A]\r\nx=1", "B", "y", "2", {"[A]", "x=1", "[B]", "y=2"}},
    {"first of two sections", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "7", {"[S]", "K=7", "[S]", "K=2"}},
    {"empty value", "[FIRMWARE]\r\nPATH=C:\\x.cvt\r\n", "FIRMWARE", "PATH", "", {"[FIRMWARE]", "PATH="}},
};

TEST_F(ProfileConformance, Writes) {
  for (std::size_t i = 0; i < std::size(kWriteCases); ++i) {
    const WriteCase& c = kWriteCases[i];
    const std::string file = Prepare(i, c.before);
    EXPECT_NE(profile->WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str()), 0) << c.name;
    const std::string text = testfs::ReadText(dir.path() / ("case" + std::to_string(i) + ".ini"));
    EXPECT_EQ(NonBlankLines(text), c.after) << c.name;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
      EXPECT_TRUE(at > 0 && text[at - 1] == '\r') << c.name << ": line break without carriage return at " << at;
    }
  }
}

TEST_F(ProfileConformance, WrittenValuesReadBack) {
  const std::string file = Prepare(0, kNoFile);
  profile->WritePrivateProfileStringA("DRIVE_PRIORITY", "0", "-1", file.c_str());
  profile->WritePrivateProfileStringA("DRIVE_PRIORITY", "TOTAL_DRIVE", "3", file.c_str());
  profile->WritePrivateProfileStringA("drive_priority", "0", "2", file.c_str());
  EXPECT_EQ(profile->GetPrivateProfileIntA("DRIVE_PRIORITY", "0", -1, file.c_str()), 2u);
  EXPECT_EQ(profile->GetPrivateProfileIntA("DRIVE_PRIORITY", "TOTAL_DRIVE", -1, file.c_str()), 3u);
  EXPECT_EQ(NonBlankLines(testfs::ReadText(dir.path() / "case0.ini")),
            (std::vector<std::string>{"[DRIVE_PRIORITY]", "0=2", "TOTAL_DRIVE=3"}));
}

TEST_F(ProfileConformance, WriteIntoMissingDirectoryFails) {
  const std::string file = dir.WindowsName("missing\\FLASH.INI");
  EXPECT_EQ(profile->WritePrivateProfileStringA("FIRMWARE", "PATH", "x", file.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST_F(ProfileConformance, CurrentDirectoryAndTheDotJoinedName) {
  testfs::ScopedCurrentDirectory inside(dir.path());
  char directory[260] = {};
  const uint32_t length = profile->GetCurrentDirectoryA(sizeof directory, directory);
  ASSERT_GT(length, 0u);
  ASSERT_EQ(length, std::strlen(directory));

  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(profile->GetCurrentDirectoryA(3, small), length + 1);

  // The start-up directory followed directly by ".\FLASH.INI" names FLASH.INI inside it.
  testfs::WriteText(dir.path() / "FLASH.INI", "[FIRMWARE]\r\nPATH=C:\\x.cvt\r\n");
  const std::string joined = std::string(directory) + ".\\FLASH.INI";
  char buffer[128] = {};
  profile->GetPrivateProfileStringA("FIRMWARE", "PATH", "", buffer, 128, joined.c_str());
  EXPECT_STREQ(buffer, "C:\\x.cvt");
  // And so does the current directory's ".\FLASH.INI".
  EXPECT_EQ(profile->GetPrivateProfileIntA("FIRMWARE", "MISSING", 5, ".\\FLASH.INI"), 5u);
  EXPECT_NE(profile->WritePrivateProfileStringA("FLASHROM", "CHECKSUM", "4464", ".\\FLASH.INI"), 0);
  EXPECT_EQ(profile->GetPrivateProfileIntA("FLASHROM", "CHECKSUM", 0, joined.c_str()), 4464u);
}

}  // namespace
