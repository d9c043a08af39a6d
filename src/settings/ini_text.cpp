// Profile text rules of the native profile implementation (see ini_text.h); the Windows functions
// are the reference for every rule here.
#include "settings/ini_text.h"

#include <cstddef>
#include <vector>

namespace settings {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One line of the file: its bytes without the line feed, and whether a line feed ended it.
struct Line {
  std::string_view body;
  bool terminated;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      lines.push_back({text, false});
      break;
    }
    lines.push_back({text.substr(0, lf), true});
    text.remove_prefix(lf + 1);
  }
  return lines;
}

// The section name of a header line ("[name]", blanks allowed around both), or nullopt.
std::optional<std::string_view> SectionName(std::string_view body) {
  const std::string_view line = Trim(body);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view name;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view body) {
  const std::size_t eq = body.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(body.substr(0, eq)), Trim(body.substr(eq + 1))};
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Where a section's lines are: the header's index and one past its last line.
struct SectionSpan {
  std::size_t header;
  std::size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].body);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].body)) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, SectionSpan span, std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const auto parsed = ParseKeyLine(lines[i].body);
    if (parsed && SameName(parsed->name, key)) return i;
  }
  return std::nullopt;
}

void AppendLine(std::string& out, const Line& line) {
  out.append(line.body);
  if (line.terminated) out.push_back('\n');
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section, std::string_view key) {
  const std::vector<Line> lines = SplitLines(text);
  const auto span = FindSection(lines, section);
  if (!span) return std::nullopt;
  const auto index = FindKey(lines, *span, key);
  if (!index) return std::nullopt;
  return std::string(Unquote(ParseKeyLine(lines[*index].body)->value));
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::vector<Line> lines = SplitLines(text);
  std::string keyLine = std::string(key) + "=" + std::string(value);
  std::string out;
  out.reserve(text.size() + keyLine.size() + section.size() + 8);

  const auto span = FindSection(lines, section);
  if (!span) {
    out.append(text);
    if (!out.empty() && out.back() != '\n') out.append("\r\n");
    out.append("[").append(section).append("]\r\n").append(keyLine).append("\r\n");
    return out;
  }

  if (const auto index = FindKey(lines, *span, key)) {
    // The key keeps the spelling it has in the file; only its value changes.
    const std::string_view name = ParseKeyLine(lines[*index].body)->name;
    const bool crlf = !lines[*index].body.empty() && lines[*index].body.back() == '\r';
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i != *index) {
        AppendLine(out, lines[i]);
        continue;
      }
      out.append(name).append("=").append(value);
      out.append(crlf || !lines[i].terminated ? "\r\n" : "\n");
    }
    return out;
  }

  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (!Trim(lines[i].body).empty()) last = i;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    AppendLine(out, lines[i]);
    if (i != last) continue;
    if (!lines[i].terminated) out.append("\r\n");
    out.append(keyLine).append("\r\n");
  }
  return out;
}

uint32_t ParseProfileInteger(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    const char prefix = value[i + 1];
    if (prefix == 'x') base = 16;
    if (prefix == 'o') base = 8;
    if (prefix == 'b') base = 2;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < value.size(); ++i) {
    const int digit = DigitValue(value[i]);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) break;
    total = total * base + static_cast<uint32_t>(digit);
  }
  return negative ? 0u - total : total;
}

}  // namespace settings
