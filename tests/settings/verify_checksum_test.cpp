// [VERIFY] CHECKSUM: both written forms, everything else refused, and the start-up read from a
// real FLASH.INI in a temporary current directory.
#include "settings/verify_checksum.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "scoped_temp_dir.h"
#include "settings/ini_profile.h"

namespace {

struct ParseCase {
  std::string text;
  std::optional<uint16_t> value;
};

TEST(VerifyChecksum, ParsesDecimalAndGetCsFormsOnly) {
  const ParseCase cases[] = {
      {"4676", 0x1244},   {"0", 0},          {"65535", 0xFFFF}, {"00042", 42},  {" 4676 ", 0x1244},
      {"1244h", 0x1244},  {"1244H", 0x1244}, {"abcdh", 0xABCD}, {"FFFFh", 0xFFFF}, {"0000h", 0},
      {"65536", {}},      {"99999999999999999999", {}}, {"-1", {}},  {"+5", {}},   {"12 34", {}},
      {"0x1244", {}},     {"124h", {}},      {"01244h", {}},    {"12G4h", {}},  {"h", {}},
      {"1244", 1244},     {"", {}},          {"4676x", {}},     {"12.5", {}},
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(settings::ParseVerifyChecksum(c.text), c.value) << '"' << c.text << '"';
  }
}

struct ReadCase {
  std::string ini;
  bool present;
  std::optional<uint16_t> reference;
  std::string text;
};

TEST(VerifyChecksum, ReadsTheKeyFromFlashIni) {
  const ReadCase cases[] = {
      {"", false, {}, ""},
      {"[FLASHROM]\r\nCHECKSUM=4676\r\n", false, {}, ""},  // the other section's key is not it
      {"[VERIFY]\r\nCHECKSUM=\r\n", false, {}, ""},
      {"[VERIFY]\r\nCHECKSUM=4676\r\n", true, 0x1244, "4676"},
      {"[VERIFY]\r\nCHECKSUM=1244h\r\n", true, 0x1244, "1244h"},
      {"[VERIFY]\r\nCHECKSUM=70000\r\n", true, {}, "70000"},
      {"[VERIFY]\r\nCHECKSUM=12G4h\r\n", true, {}, "12G4h"},
      // Read whole: cut to 127 characters these would read as 0, a wrong reference, and as a
      // valid checksum instead of the invalid text it is.
      {"[VERIFY]\r\nCHECKSUM=" + std::string(196, '0') + "4676\r\n", true, 0x1244, std::string(196, '0') + "4676"},
      {"[VERIFY]\r\nCHECKSUM=1244h" + std::string(200, 'x') + "\r\n", true, {}, "1244h" + std::string(200, 'x')},
  };
  for (const ReadCase& c : cases) {
    testfs::ScopedTempDir dir;
    testfs::ScopedCurrentDirectory inside(dir.path());
    if (!c.ini.empty()) testfs::WriteText(dir.path() / "FLASH.INI", c.ini);
    settings::IniProfile profile;
    const settings::VerifySetting setting = settings::ReadVerifySetting(profile);
    EXPECT_EQ(setting.present, c.present) << c.ini;
    EXPECT_EQ(setting.reference, c.reference) << c.ini;
    EXPECT_EQ(setting.text, c.text) << c.ini;
  }
}

TEST(VerifyChecksum, TheMessageNamesKeyAndValue) {
  const std::string message = settings::InvalidVerifyMessage("12G4h");
  EXPECT_NE(message.find("[VERIFY] CHECKSUM=12G4h"), std::string::npos) << message;
}

}  // namespace
