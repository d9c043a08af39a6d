// [VERIFY] CHECKSUM: the reference flash checksum that a bench compares every updated drive with.
// Written as a decimal 0..65535, like the file's other values, or as four hexadecimal digits and
// "h", the way Get CS shows a checksum (1244h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace settings {

inline constexpr char kSectionVerify[] = "VERIFY";
inline constexpr char kKeyVerifyChecksum[] = "CHECKSUM";

// The value of a well-formed text; nothing for anything else (signs, blanks inside, other lengths
// of the hexadecimal form, values above 65535).
std::optional<uint16_t> ParseVerifyChecksum(std::string_view text);

struct VerifySetting {
  bool present = false;             // the key holds a non-empty text
  std::optional<uint16_t> reference;  // set only for a valid value: verification on
  std::string text;                 // the value as read, for the message about an invalid one
};

// Reads the key from FLASH.INI in the current directory; an empty or missing value is absent.
VerifySetting ReadVerifySetting(platform::Profile& profile);

// A checksum as Get CS shows it and the run log writes it, and as the key also takes it: four
// hexadecimal digits and "h" (1244h).
std::string ChecksumText(uint16_t checksum);

// What start-up shows for a value that is present but not valid.
std::string InvalidVerifyMessage(const std::string& text);

}  // namespace settings
