// Profile (INI) text rules of the native profile implementation: finding a value, changing one key
// while keeping every other line as it stands, and the platform's integer reading.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// The value of key in section, whitespace around it trimmed and one pair of matching quotes removed.
// Names compare without regard to case; only the first section of that name is searched, lines
// before the first section and lines without '=' hold no key. nullopt when there is no such key.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section, std::string_view key);

// The text with key in section set to value. An existing key keeps its line position and its name as
// written; a new key goes after the last non-blank line of its section; a new section goes at the end.
// Every other line stays byte for byte. New lines end with CR LF.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// The integer that NT's GetPrivateProfileIntA makes of a stored value (the start-up reads use it for
// a value that 9x would read differently): leading blanks skipped, an optional
// sign, "0x", "0o" or "0b" selecting the base (else decimal), digits up to the first one that does not
// belong, wrapping modulo 2^32. No digit at all gives 0.
uint32_t ParseProfileInteger(std::string_view value);

}  // namespace settings
