// The configuration file of the stand-alone emulated ASPI manager (WNASPI32.DLL): host adapters,
// targets and their emulated drives, faults, latency, and where the outputs go. The format is
// line based and documented in tests/e2e/README.md. Parsing never throws; every fault in the
// text becomes an error line that names the line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emu/aspi_manager.h"
#include "emu/drive_types.h"
#include "emu/scsi_codes.h"

namespace emu::dll {

inline constexpr int kMaxAdapters = 16;
inline constexpr int kMaxTargetsInFile = 64;
inline constexpr size_t kMaxRawInquiry = 255;
inline constexpr uint32_t kMaxLatencyMs = 600000;
inline constexpr int kMaxNth = 1000000;

struct MediumStep {
  enum class When { Now, AfterTestUnitReady, AtMs };
  When when = When::Now;
  uint64_t value = 0;  // TEST UNIT READY count or milliseconds after the manager started
  Medium medium = Medium::Ready;
};

// A scripted fault of a drive. Fail, FailVendor and Never leave the command undone unless
// carriedOut; the others are faults in the answer only (Drive::AnswerFault): a lost answer (Lose),
// a late one (Late, always carried out), a drive that is gone from that command on (Vanish) and a
// data phase cut short with GOOD status (Short).
struct FaultSpec {
  enum class Kind { Fail, FailVendor, Never, Lose, Late, Vanish, Short };
  Kind kind = Kind::Fail;
  uint8_t opcode = 0;
  int subcode = -1;     // CDB byte 1, or -1: any
  int nth = 0;          // 1-based; 0 with Fail: every command with that opcode
  SenseTriple sense{};
  bool carriedOut = false;  // the drive carries the command out and only the answer is replaced
  uint32_t lateMs = 0;      // Late
  uint32_t movedBytes = 0;  // Short
};

struct LatencySpec {
  bool perOpcode = false;
  uint8_t opcode = 0;
  uint32_t ms = 0;
};

// A target of a host adapter: with an emulated drive ([drive NAME]) or with a device type only
// ([device NAME]).
struct TargetSpec {
  std::string name;
  int adapter = -1;
  int target = -1;
  uint8_t deviceType = kDeviceTypeCdrom;
  bool hasDrive = true;
  DriveConfig drive{};
  std::vector<MediumStep> media;
  std::vector<FaultSpec> faults;
  std::vector<LatencySpec> latencies;
  // The drive letter (d..y, lower case; 0: none) behind which the target answers on the
  // pass-through back end: a CD-ROM letter for a CD-ROM class target, a fixed disk otherwise.
  char letter = 0;
  int line = 0;  // the section's line, for messages
};

struct LibraryConfig {
  std::string logPath;  // the command log; empty: none
  std::string outDir;   // flash and status files
  int adapters = -1;    // -1: one more than the highest adapter a target uses
  AspiOptions options{};
  std::vector<TargetSpec> targets;

  int AdapterCount() const;
};

struct ParseResult {
  LibraryConfig config;
  std::vector<std::string> errors;  // "line N: ..." each
  bool Ok() const { return errors.empty(); }
};

// baseDir resolves the relative paths of the file; the defaults are baseDir/commands.log and
// baseDir itself.
ParseResult ParseConfig(std::string_view text, const std::string& baseDir);

// Path helpers that accept both separators, as Windows does. A path is absolute when it starts
// with a separator or a drive letter and colon.
bool IsAbsolutePath(std::string_view path);
// The file behind a target's letter that the pass-through back end answers SG_IO on: cdrom-<letter>
// in the configuration's folder.
std::string LetterDeviceFile(const std::string& configDir, char letter);
std::string JoinPath(const std::string& base, const std::string& path);
std::string DirectoryOf(const std::string& path);  // "" when there is no separator

}  // namespace emu::dll
