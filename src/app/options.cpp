// Command-line parsing and the unattended run's exit status.
#include "app/options.h"

#include <cctype>

namespace app {
namespace {

std::vector<std::string> SplitArguments(std::string_view line) {
  std::vector<std::string> arguments;
  std::string current;
  bool inQuotes = false;
  bool any = false;
  for (char c : line) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (any) arguments.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) arguments.push_back(current);
  return arguments;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

Options ParseOptions(std::string_view commandLine) {
  Options options;
  constexpr std::string_view kLogPrefix = "/LOG=";
  for (const std::string& argument : SplitArguments(commandLine)) {
    const std::string upper = Upper(argument);
    if (upper == "/AUTO") {
      options.autoRun = true;
    } else if (upper == "/REBOOT") {
      options.reboot = true;
    } else if (upper.compare(0, kLogPrefix.size(), kLogPrefix) == 0 && argument.size() > kLogPrefix.size()) {
      options.logPath = argument.substr(kLogPrefix.size());
    } else {
      options.unknown.push_back(argument);
    }
  }
  return options;
}

std::string OptionsUsage(const std::vector<std::string>& unknown) {
  std::string text = "Unknown option:";
  for (const std::string& option : unknown) text += " " + option;
  text +=
      "\nOptions:\n/AUTO  update every drive found without a question, then exit\n"
      "/REBOOT  with /AUTO: restart the computer when every drive was updated\n"
      "/LOG=path  write the run log to this file instead of FLASH.LOG";
  return text;
}

int UnattendedExitStatus(const RunCounts& counts) {
  if (counts.updated + counts.refused + counts.failed == 0) return kExitNoDrive;
  if (counts.refused > 0) return kExitRefused;
  if (counts.failed > 0) return kExitFailed;
  return kExitAllUpdated;
}

}  // namespace app
