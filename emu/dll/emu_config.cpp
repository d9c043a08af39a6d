// Parser of the emulated ASPI manager's configuration file: one setting per line, global settings
// first, then one [drive NAME] or [device NAME] section per target. Faults in the text are
// collected, not thrown, so a scenario sees every mistake of its file at once.
#include "emu/dll/emu_config.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <utility>

namespace emu::dll {
namespace {

constexpr size_t kMaxErrors = 50;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Cuts a comment: '#' at the start or after a blank, outside double quotes.
std::string_view StripComment(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '#' && !quoted && (i == 0 || IsBlank(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

std::vector<std::string_view> Tokens(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    const size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

bool ParseUnsigned(std::string_view s, uint64_t max, uint64_t& out, int base = 10) {
  if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
  if (s.empty()) return false;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size() || value > max) return false;
  out = value;
  return true;
}

bool ParseByte(std::string_view s, uint8_t& out) {
  uint64_t v = 0;
  if (!ParseUnsigned(s, 0xFF, v, 16)) return false;
  out = static_cast<uint8_t>(v);
  return true;
}

bool ParseInt(std::string_view s, int max, int& out) {
  uint64_t v = 0;
  if (!ParseUnsigned(s, static_cast<uint64_t>(max), v)) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseYesNo(std::string_view s, bool& out) {
  if (s == "yes" || s == "1" || s == "true") {
    out = true;
    return true;
  }
  if (s == "no" || s == "0" || s == "false") {
    out = false;
    return true;
  }
  return false;
}

// "02/3A/00": sense byte 2 (whole), ASC, ASCQ in hex.
bool ParseSense(std::string_view s, SenseTriple& out) {
  const size_t a = s.find('/');
  if (a == std::string_view::npos) return false;
  const size_t b = s.find('/', a + 1);
  if (b == std::string_view::npos) return false;
  return ParseByte(s.substr(0, a), out.byte2) && ParseByte(s.substr(a + 1, b - a - 1), out.asc) &&
         ParseByte(s.substr(b + 1), out.ascq);
}

bool ParseMedium(std::string_view s, Medium& out) {
  static constexpr std::pair<std::string_view, Medium> kNames[] = {
      {"ready", Medium::Ready},
      {"no-medium", Medium::NoMedium},
      {"tray-closed-empty", Medium::TrayClosedEmpty},
      {"tray-open", Medium::TrayOpen},
      {"unit-attention", Medium::UnitAttention},
      {"becoming-ready", Medium::BecomingReady},
  };
  for (const auto& [name, medium] : kNames) {
    if (s == name) {
      out = medium;
      return true;
    }
  }
  return false;
}

// Hex bytes, blanks between them optional.
bool ParseHexBytes(std::string_view s, std::vector<uint8_t>& out) {
  std::string digits;
  for (const char c : s) {
    if (IsBlank(c)) continue;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
    digits.push_back(c);
  }
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() / 2 > kMaxRawInquiry) return false;
  out.clear();
  for (size_t i = 0; i < digits.size(); i += 2) {
    uint8_t byte = 0;
    if (!ParseByte(std::string_view(digits).substr(i, 2), byte)) return false;
    out.push_back(byte);
  }
  return true;
}

// A text value: as it stands after trimming, or between double quotes to keep blanks.
bool ParseText(std::string_view value, std::string& out) {
  if (!value.empty() && value.front() == '"') {
    if (value.size() < 2 || value.back() != '"') return false;
    out = std::string(value.substr(1, value.size() - 2));
    return true;
  }
  out = std::string(value);
  return true;
}

bool ValidName(std::string_view name) {
  if (name.empty() || name.size() > 32) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

class Parser {
 public:
  explicit Parser(const std::string& baseDir) : baseDir_(baseDir) {
    result_.config.logPath = JoinPath(baseDir, "commands.log");
    result_.config.outDir = baseDir.empty() ? std::string(".") : baseDir;
  }

  ParseResult Run(std::string_view text) {
    int number = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
      const size_t end = std::min(text.find('\n', pos), text.size());
      ++number;
      Line(number, text.substr(pos, end - pos));
      pos = end + 1;
    }
    Finish();
    return std::move(result_);
  }

 private:
  void Error(int line, const std::string& message) {
    if (result_.errors.size() < kMaxErrors) result_.errors.push_back("line " + std::to_string(line) + ": " + message);
  }

  void Line(int number, std::string_view raw) {
    const std::string_view line = Trim(StripComment(raw));
    if (line.empty()) return;
    if (line.front() == '[') {
      Section(number, line);
      return;
    }
    size_t split = 0;
    while (split < line.size() && !IsBlank(line[split])) ++split;
    const std::string_view key = line.substr(0, split);
    const std::string_view value = Trim(line.substr(split));
    if (current_ == nullptr) {
      Global(number, key, value);
    } else {
      Target(number, *current_, key, value);
    }
  }

  void Section(int number, std::string_view line) {
    current_ = nullptr;
    skipping_ = true;
    if (line.back() != ']') return Error(number, "a section line ends with ']'");
    const std::vector<std::string_view> words = Tokens(line.substr(1, line.size() - 2));
    if (words.size() != 2 || (words[0] != "drive" && words[0] != "device")) {
      return Error(number, "a section is [drive NAME] or [device NAME]");
    }
    if (!ValidName(words[1])) return Error(number, "a name is 1 to 32 letters, digits, '_' or '-'");
    if (result_.config.targets.size() >= static_cast<size_t>(kMaxTargetsInFile)) {
      return Error(number, "more than " + std::to_string(kMaxTargetsInFile) + " targets");
    }
    if (!names_.insert(std::string(words[1])).second) return Error(number, "the name is used twice");
    TargetSpec entry;
    entry.name = std::string(words[1]);
    entry.hasDrive = words[0] == "drive";
    entry.deviceType = entry.hasDrive ? kDeviceTypeCdrom : kDeviceTypeDisk;
    entry.line = number;
    result_.config.targets.push_back(std::move(entry));
    current_ = &result_.config.targets.back();
    skipping_ = false;
  }

  // One line of a section or of the global settings, split into its key, its value and the
  // value's words.
  struct Setting {
    int line;
    std::string_view key;
    std::string_view value;
    std::vector<std::string_view> args;
  };
  // The keys are looked up in tables, so each reads as the line it parses and a new one is a row.
  struct GlobalKey {
    std::string_view key;
    void (*read)(Parser&, const Setting&, LibraryConfig&);
  };
  struct TargetKey {
    std::string_view key;
    bool anySection;  // false: in [drive] sections only
    void (*read)(Parser&, const Setting&, TargetSpec&);
  };

  void Global(int number, std::string_view key, std::string_view value) {
    if (skipping_) return;  // the lines of a section that was refused
    static constexpr GlobalKey kKeys[] = {
        {"log", [](Parser& p, const Setting& s, LibraryConfig& c) { p.Path(s, c.logPath); }},
        {"outdir", [](Parser& p, const Setting& s, LibraryConfig& c) { p.Path(s, c.outDir); }},
        {"adapters", [](Parser& p, const Setting& s, LibraryConfig& c) { p.Adapters(s, c.adapters); }},
        {"support-status", [](Parser& p, const Setting& s, LibraryConfig& c) { p.SupportStatus(s, c.options); }},
        {"complete-synchronously",
         [](Parser& p, const Setting& s, LibraryConfig& c) { p.Option(s, c.options.completeSynchronously); }},
        {"abort-accepted", [](Parser& p, const Setting& s, LibraryConfig& c) { p.Option(s, c.options.abortAccepted); }},
        {"abort-completes-request",
         [](Parser& p, const Setting& s, LibraryConfig& c) { p.Option(s, c.options.abortCompletesRequest); }},
    };
    const Setting setting{number, key, value, Tokens(value)};
    for (const GlobalKey& k : kKeys) {
      if (k.key == key) return k.read(*this, setting, result_.config);
    }
    Error(number, "unknown setting '" + std::string(key) + "'");
  }

  void Path(const Setting& s, std::string& out) {
    std::string path;
    if (!ParseText(s.value, path) || path.empty()) return Error(s.line, std::string(s.key) + " needs a path");
    out = JoinPath(baseDir_, path);
  }

  void Adapters(const Setting& s, int& out) {
    if (s.args.size() != 1 || !ParseInt(s.args[0], kMaxAdapters, out)) {
      return Error(s.line, "adapters is a count from 0 to " + std::to_string(kMaxAdapters));
    }
  }

  void SupportStatus(const Setting& s, AspiOptions& options) {
    if (s.args.size() != 1 || !ParseByte(s.args[0], options.supportStatus)) {
      return Error(s.line, "support-status is one hex byte");
    }
  }

  void Option(const Setting& s, bool& out) {
    if (s.args.size() != 1 || !ParseYesNo(s.args[0], out)) return Error(s.line, std::string(s.key) + " is yes or no");
  }

  void Target(int number, TargetSpec& target, std::string_view key, std::string_view value) {
    using S = const Setting&;
    using T = TargetSpec&;
    using When = MediumStep::When;
    using Kind = FaultSpec::Kind;
    static constexpr TargetKey kKeys[] = {
        {"at", true, [](Parser& p, S s, T t) { p.Place(s, t); }},
        {"type", true, [](Parser& p, S s, T t) { p.DeviceType(s, t); }},
        {"letter", true, [](Parser& p, S s, T t) { p.Letter(s, t); }},
        {"vendor", false, [](Parser& p, S s, T t) { p.Text(s, 8, t.drive.vendor); }},
        {"product", false, [](Parser& p, S s, T t) { p.Text(s, 16, t.drive.product); }},
        {"revision", false, [](Parser& p, S s, T t) { p.Text(s, 4, t.drive.revision); }},
        {"new-revision", false, [](Parser& p, S s, T t) { p.Text(s, 4, t.drive.newRevision); }},
        {"inquiry", false, [](Parser& p, S s, T t) { p.Inquiry(s, t.drive); }},
        {"seed", false, [](Parser& p, S s, T t) { p.Seed(s, t.drive); }},
        {"medium", false, [](Parser& p, S s, T t) { p.Schedule(s, When::Now, t); }},
        {"medium-after-tur", false, [](Parser& p, S s, T t) { p.Schedule(s, When::AfterTestUnitReady, t); }},
        {"medium-at", false, [](Parser& p, S s, T t) { p.Schedule(s, When::AtMs, t); }},
        {"fail", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Fail, t); }},
        {"fail-vendor", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::FailVendor, t); }},
        {"never", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Never, t); }},
        {"lose", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Lose, t); }},
        {"late", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Late, t); }},
        {"vanish", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Vanish, t); }},
        {"short", false, [](Parser& p, S s, T t) { p.Fault(s, Kind::Short, t); }},
        {"latency", false, [](Parser& p, S s, T t) { p.Latency(s, t); }},
        {"restart-busy-ms", false, [](Parser& p, S s, T t) { p.RestartBusy(s, t.drive); }},
        {"restart-answers-last-block", false, [](Parser& p, S s, T t) { p.Flag(s, t.drive.restartAnswersLastBlock); }},
        {"corrupt-after-update", false, [](Parser& p, S s, T t) { p.Flag(s, t.drive.corruptAfterUpdate); }},
    };
    const Setting setting{number, key, value, Tokens(value)};
    for (const TargetKey& k : kKeys) {
      if (k.key == key && (k.anySection || target.hasDrive)) return k.read(*this, setting, target);
    }
    if (!target.hasDrive) return Error(number, "a [device] section has only 'at', 'type' and 'letter'");
    Error(number, "unknown drive setting '" + std::string(key) + "'");
  }

  void Place(const Setting& s, TargetSpec& t) {
    if (s.args.size() != 2 || !ParseInt(s.args[0], kMaxAdapters - 1, t.adapter) ||
        !ParseInt(s.args[1], AspiManager::kMaxTargets - 1, t.target)) {
      t.adapter = t.target = -1;
      refusedPlace_.insert(t.name);
      return Error(s.line, "at is ADAPTER (0.." + std::to_string(kMaxAdapters - 1) + ") TARGET (0.." +
                               std::to_string(AspiManager::kMaxTargets - 1) + ")");
    }
  }

  void DeviceType(const Setting& s, TargetSpec& t) {
    if (s.args.size() != 1 || !ParseByte(s.args[0], t.deviceType)) return Error(s.line, "type is one hex byte");
  }

  // vendor, product and revision: at most the width of their INQUIRY field.
  void Text(const Setting& s, size_t width, std::string& out) {
    std::string text;
    if (!ParseText(s.value, text)) return Error(s.line, "an opening quote needs a closing one");
    if (text.size() > width) {
      return Error(s.line, std::string(s.key) + " has at most " + std::to_string(width) + " characters");
    }
    out = text;
  }

  void Inquiry(const Setting& s, DriveConfig& d) {
    if (!ParseHexBytes(s.value, d.rawInquiry)) {
      return Error(s.line, "inquiry is 1 to " + std::to_string(kMaxRawInquiry) + " hex bytes");
    }
  }

  void Seed(const Setting& s, DriveConfig& d) {
    uint64_t seed = 0;
    if (s.args.size() != 1 || !ParseUnsigned(s.args[0], 0xFFFFFFFFu, seed)) return Error(s.line, "seed is 0..4294967295");
    d.seed = static_cast<uint32_t>(seed);
  }

  void Schedule(const Setting& s, MediumStep::When when, TargetSpec& t) {
    MediumStep step;
    const bool counted = when != MediumStep::When::Now;
    if (s.args.size() != (counted ? 2u : 1u) || !ParseMedium(s.args.back(), step.medium)) {
      return Error(s.line, std::string(s.key) + (counted ? " N" : "") +
                               " STATE, the state one of ready, no-medium, tray-closed-empty, tray-open, "
                               "unit-attention, becoming-ready");
    }
    if (counted && !ParseUnsigned(s.args[0], kMaxNth, step.value)) return Error(s.line, "the count is 0..1000000");
    step.when = when;
    t.media.push_back(step);
  }

  void Latency(const Setting& s, TargetSpec& t) {
    LatencySpec l;
    uint64_t ms = 0;
    const std::vector<std::string_view>& args = s.args;
    const bool ok = args.size() == 1   ? ParseUnsigned(args[0], kMaxLatencyMs, ms)
                    : args.size() == 2 ? ParseByte(args[0], l.opcode) && ParseUnsigned(args[1], kMaxLatencyMs, ms)
                                       : false;
    if (!ok) return Error(s.line, "latency is MS or OPCODE MS, at most " + std::to_string(kMaxLatencyMs) + " ms");
    l.perOpcode = args.size() == 2;
    l.ms = static_cast<uint32_t>(ms);
    t.latencies.push_back(l);
  }

  void RestartBusy(const Setting& s, DriveConfig& d) {
    uint64_t ms = 0;
    if (s.args.size() != 1 || !ParseUnsigned(s.args[0], kMaxLatencyMs, ms)) {
      return Error(s.line, "restart-busy-ms is 0..600000");
    }
    d.restartBusyMs = static_cast<uint32_t>(ms);
  }

  void Flag(const Setting& s, bool& out) {
    if (s.args.size() != 1 || !ParseYesNo(s.args[0], out)) return Error(s.line, "yes or no");
  }

  void Fault(const Setting& s, FaultSpec::Kind kind, TargetSpec& t) {
    using Kind = FaultSpec::Kind;
    FaultSpec f;
    f.kind = kind;
    std::vector<std::string_view> args = s.args;
    if (!args.empty() && args.back() == "carried-out" && kind != Kind::Late && kind != Kind::Short) {
      f.carriedOut = true;
      args.pop_back();
    }
    bool ok = false;
    uint64_t amount = 0;
    switch (kind) {
      case Kind::Fail:
        ok = args.size() == 3 && ParseByte(args[0], f.opcode) && ParseInt(args[1], kMaxNth, f.nth) &&
             (f.nth >= 1 || !f.carriedOut) && ParseSense(args[2], f.sense);
        break;
      case Kind::FailVendor: {
        uint8_t subcode = 0;
        ok = args.size() == 4 && ParseByte(args[0], f.opcode) && ParseByte(args[1], subcode) &&
             ParseInt(args[2], kMaxNth, f.nth) && f.nth >= 1 && ParseSense(args[3], f.sense);
        f.subcode = subcode;
        break;
      }
      case Kind::Never:
        ok = args.size() == 2 && ParseByte(args[0], f.opcode) && ParseInt(args[1], kMaxNth, f.nth) && f.nth >= 1;
        break;
      case Kind::Lose:
      case Kind::Late:
      case Kind::Vanish:
      case Kind::Short: {
        const bool counted = kind == Kind::Late || kind == Kind::Short;
        ok = args.size() == (counted ? 3u : 2u) && ParseOpcode(args[0], f) && ParseInt(args[1], kMaxNth, f.nth) &&
             f.nth >= 1 && (!counted || ParseUnsigned(args[2], kMaxLatencyMs, amount));
        f.lateMs = f.movedBytes = static_cast<uint32_t>(amount);
        break;
      }
    }
    if (!ok) return Error(s.line, FaultUsage(kind));
    t.faults.push_back(f);
  }

  static std::string FaultUsage(FaultSpec::Kind kind) {
    using Kind = FaultSpec::Kind;
    switch (kind) {
      case Kind::Fail: return "fail is OPCODE NTH SENSE [carried-out], e.g. fail 00 1 02/3A/00";
      case Kind::FailVendor: return "fail-vendor is OPCODE SUBCODE NTH SENSE [carried-out], NTH from 1";
      case Kind::Never: return "never is OPCODE NTH [carried-out], NTH from 1";
      case Kind::Lose: return "lose is OPCODE[:SUBCODE] NTH [carried-out], NTH from 1";
      case Kind::Late: return "late is OPCODE[:SUBCODE] NTH MS, NTH from 1, MS 0..600000";
      case Kind::Vanish: return "vanish is OPCODE[:SUBCODE] NTH [carried-out], NTH from 1";
      case Kind::Short: return "short is OPCODE[:SUBCODE] NTH BYTES, NTH from 1";
    }
    return {};
  }

  // "FA" or "A0:15": an opcode, optionally with the CDB byte 1 it must carry.
  static bool ParseOpcode(std::string_view s, FaultSpec& f) {
    const size_t colon = s.find(':');
    if (colon == std::string_view::npos) return ParseByte(s, f.opcode);
    uint8_t subcode = 0;
    if (!ParseByte(s.substr(0, colon), f.opcode) || !ParseByte(s.substr(colon + 1), subcode)) return false;
    f.subcode = subcode;
    return true;
  }

  void Letter(const Setting& s, TargetSpec& t) {
    const std::vector<std::string_view>& args = s.args;
    const char c = args.size() == 1 && args[0].size() == 1 ? static_cast<char>(args[0][0] | 0x20) : '\0';
    if (c < 'd' || c > 'y') return Error(s.line, "letter is one drive letter from D to Y");
    if (!letters_.insert(c).second) return Error(s.line, "the letter is used twice");
    t.letter = c;
  }

  void Finish() {
    LibraryConfig& c = result_.config;
    std::set<std::pair<int, int>> places;
    for (const TargetSpec& t : c.targets) {
      if (t.adapter < 0) {
        if (refusedPlace_.count(t.name) != 0) continue;  // its 'at' line has been reported
        Error(t.line, "[" + t.name + "] has no 'at ADAPTER TARGET'");
        continue;
      }
      if (!places.insert({t.adapter, t.target}).second) {
        Error(t.line, "[" + t.name + "] uses an adapter and target that another section uses");
      }
      if (c.adapters >= 0 && t.adapter >= c.adapters) {
        Error(t.line, "[" + t.name + "] is on adapter " + std::to_string(t.adapter) + " but 'adapters' is " +
                          std::to_string(c.adapters));
      }
    }
  }

  std::string baseDir_;
  ParseResult result_;
  TargetSpec* current_ = nullptr;  // stays valid: targets is not resized while it is used
  bool skipping_ = false;
  std::set<std::string> names_;
  std::set<std::string> refusedPlace_;
  std::set<char> letters_;
};

}  // namespace

int LibraryConfig::AdapterCount() const {
  if (adapters >= 0) return adapters;
  int highest = -1;
  for (const TargetSpec& t : targets) highest = std::max(highest, t.adapter);
  return highest + 1;
}

ParseResult ParseConfig(std::string_view text, const std::string& baseDir) {
  ParseResult result = Parser(baseDir).Run(text);
  return result;
}

bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

std::string JoinPath(const std::string& base, const std::string& path) {
  if (base.empty() || IsAbsolutePath(path)) return path;
  const char last = base.back();
  if (last == '/' || last == '\\') return base + path;
  // Keep the base's own separator, so native runs get native paths.
  return base + (base.find('\\') != std::string::npos ? "\\" : "/") + path;
}

std::string LetterDeviceFile(const std::string& configDir, char letter) {
  return JoinPath(configDir, std::string("cdrom-") + letter);
}

std::string DirectoryOf(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) return "";
  if (cut == 0) return path.substr(0, 1);
  return path.substr(0, cut);
}

}  // namespace emu::dll
