// Native profile functions on real files; each method answers as its Windows namesake does for the
// calls the system makes (see ini_text.h for the text rules).
#include "settings/ini_profile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "settings/ini_text.h"

namespace settings {
namespace {

// The Windows integer read looks at no more than this many characters of a value.
constexpr std::size_t kIntegerTextLimit = 29;

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::string> Lookup(const char* section, const char* key, const char* fileName) {
  if (section == nullptr || key == nullptr || fileName == nullptr) return std::nullopt;
  const auto text = ReadWholeFile(ResolveWindowsPath(fileName));
  if (!text) return std::nullopt;
  return FindProfileValue(*text, section, key);
}

uint32_t CopyOut(std::string_view text, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<uint32_t>(count);
}

}  // namespace

std::string ResolveWindowsPath(std::string_view fileName) {
  std::string name(fileName);
  std::replace(name.begin(), name.end(), '\\', '/');
  const bool absolute = !name.empty() && name.front() == '/';

  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    if (slash > start) segments.push_back(name.substr(start, slash - start));
    start = slash + 1;
  }

  std::string out = absolute ? "/" : "";
  bool first = true;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    std::string segment = segments[i];
    const bool last = i + 1 == segments.size();
    if (!last) {
      const bool onlyPeriods = segment.find_first_not_of('.') == std::string::npos;
      if (segment == ".") continue;
      // "..", "..." and longer runs of periods are names of their own, as on Windows.
      if (!onlyPeriods && segment.back() == '.') segment.pop_back();
    }
    if (!first) out.push_back('/');
    out.append(segment);
    first = false;
  }
  return out;
}

uint32_t IniProfile::GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                           const char* fileName) {
  const auto value = Lookup(section, key, fileName);
  if (!value || value->empty()) return static_cast<uint32_t>(defaultValue);
  if (reading_ == IntegerReading::Win9x && value->front() == '+') return 0;
  return ParseProfileInteger(std::string_view(*value).substr(0, kIntegerTextLimit));
}

uint32_t IniProfile::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                              char* buffer, uint32_t size, const char* fileName) {
  const auto value = Lookup(section, key, fileName);
  if (value) return CopyOut(*value, buffer, size);
  std::string_view fallback = defaultValue == nullptr ? std::string_view() : std::string_view(defaultValue);
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return CopyOut(fallback, buffer, size);
}

int IniProfile::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                           const char* fileName) {
  // Deleting keys or sections (a null key or value) is a Windows feature the system never uses.
  if (section == nullptr || key == nullptr || value == nullptr || fileName == nullptr) return 0;
  const std::string path = ResolveWindowsPath(fileName);
  const std::string text = SetProfileValue(ReadWholeFile(path).value_or(std::string()), section, key, value);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return 0;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return out ? 1 : 0;
}

uint32_t IniProfile::GetCurrentDirectoryA(uint32_t size, char* buffer) {
  std::error_code error;
  const std::string directory = std::filesystem::current_path(error).string();
  if (error) return 0;
  if (buffer == nullptr || directory.size() + 1 > size) return static_cast<uint32_t>(directory.size() + 1);
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return static_cast<uint32_t>(directory.size());
}

}  // namespace settings
