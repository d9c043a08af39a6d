// The command line of an unattended bench run: /AUTO, /REBOOT and /LOG=path, case-insensitive and
// in any order, and the exit status such a run ends with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

struct Options {
  bool autoRun = false;  // press Flash by itself, show no box, exit at the end of the run
  bool reboot = false;   // with autoRun: an all-updated run reboots instead of exiting 0
  std::string logPath;   // empty: FLASH.LOG in the start-up directory
  std::vector<std::string> unknown;  // every argument that is not one of the above, as given
};

// Arguments are separated by blanks; double quotes keep blanks inside one (/LOG="C:\Bench 1\a.log").
Options ParseOptions(std::string_view commandLine);

// What is shown (or logged) for an unknown option.
std::string OptionsUsage(const std::vector<std::string>& unknown);

// Exit statuses of an unattended run (and the few the window also ends with).
inline constexpr int kExitAllUpdated = 0;  // also: the window closed, not unattended
inline constexpr int kExitButton = 1;      // E&XIT
inline constexpr int kExitRefused = 2;
inline constexpr int kExitFailed = 3;
inline constexpr int kExitNoDrive = 4;
inline constexpr int kExitBadOption = 5;
// Unattended: the program ended before an update run did (its window closed before the press).
inline constexpr int kExitNoRun = 6;
// An exception reached the program entry or, unattended with no run under way, the message loop.
inline constexpr int kExitError = 7;
// Unattended: [VERIFY] CHECKSUM is present but not valid; no drive was touched.
inline constexpr int kExitBadReference = 8;

struct RunCounts {
  int updated = 0;
  int refused = 0;
  int failed = 0;  // verify failures included
};

// 4 when no drive was ticked, 2 when any was refused, 3 when any failed, else 0.
int UnattendedExitStatus(const RunCounts& counts);

}  // namespace app
