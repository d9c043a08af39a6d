// The reference checksum setting: parsing both written forms, and the start-up read.
#include "settings/verify_checksum.h"

#include <cstdio>

#include "settings/settings_file.h"

namespace settings {
namespace {

constexpr std::size_t kHexDigits = 4;
constexpr uint32_t kMaxChecksum = 0xFFFF;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<uint16_t> ParseVerifyChecksum(std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  if (text.back() == 'h' || text.back() == 'H') {
    if (text.size() != kHexDigits + 1) return std::nullopt;
    uint32_t value = 0;
    for (std::size_t i = 0; i < kHexDigits; ++i) {
      const int digit = HexValue(text[i]);
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<uint16_t>(value);
  }
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > kMaxChecksum) return std::nullopt;  // also keeps long digit strings from wrapping
  }
  return static_cast<uint16_t>(value);
}

VerifySetting ReadVerifySetting(platform::Profile& profile) {
  VerifySetting setting;
  setting.text = ReadTextSetting(profile, kSectionVerify, kKeyVerifyChecksum);
  setting.present = !Trimmed(setting.text).empty();
  if (setting.present) setting.reference = ParseVerifyChecksum(setting.text);
  return setting;
}

std::string ChecksumText(uint16_t checksum) {
  char text[8];
  std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(checksum));
  return text;
}

std::string InvalidVerifyMessage(const std::string& text) {
  return "FLASH.INI [VERIFY] CHECKSUM=" + text +
         " is not a checksum (0 to 65535, or four hexadecimal digits and h). Verification is off.";
}

}  // namespace settings
