// Value types of the emulated drive: medium states, sense triples, the command log record and the
// drive's configuration.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

// What TEST UNIT READY finds. UnitAttention is reported once (to the next command other than
// INQUIRY) and then the medium is Ready.
enum class Medium {
  Ready,
  NoMedium,         // 02/3A/00
  TrayClosedEmpty,  // 02/3A/01
  TrayOpen,         // 02/3A/02
  UnitAttention,    // 06/28/00
  BecomingReady,    // 02/04/01
};

// Sense byte 2 (taken whole: flag bits above the sense key are allowed, e.g. 0x22), ASC, ASCQ.
struct SenseTriple {
  uint8_t byte2;
  uint8_t asc;
  uint8_t ascq;
  friend bool operator==(const SenseTriple&, const SenseTriple&) = default;
};

enum class Transport { PassThrough, Aspi };

// One command as the drive received it.
struct CommandRecord {
  std::array<uint8_t, 12> cdb{};  // bytes beyond cdbLength are zero: the drive never saw them
  uint8_t cdbLength = 0;
  uint8_t direction = 0;          // kDirIn, kDirOut or kDirNone (scsi_codes.h), as the host asked
  uint32_t transferLength = 0;
  uint32_t timeoutSeconds = 0;    // pass-through TimeOutValue; 0 over ASPI, which has none
  uint64_t atMs = 0;              // the issuing thread's virtual time
  Transport transport = Transport::PassThrough;
};

struct DriveConfig {
  std::string vendor = "TEVOR";
  std::string product = "DVD RW KMR5133";
  std::string revision = "1.00";
  // When non-empty, INQUIRY returns these bytes instead (truncated or zero padded to the
  // allocation length).
  std::vector<uint8_t> rawInquiry{};
  // Makes the old firmware and the per-drive bytes at 0x1F8000..0x1F807F differ per drive.
  uint32_t seed = 0;
  // After a verified image: true answers the last block with 06/29/00; false answers it GOOD and
  // gives 06/29/00 to the next command instead.
  bool restartAnswersLastBlock = true;
  // How long after the last block (in the issuing thread's virtual time) the drive answers
  // 02/04/01 while it restarts.
  uint32_t restartBusyMs = 20000;
  std::string newRevision = "2.00";
  // A fault for verification tests: after a verified image is written, one byte of the erased
  // flash (at kCorruptedFlashOffset) reads 0x00 instead of 0xFF, as if the flash had not taken it.
  bool corruptAfterUpdate = false;
};

inline constexpr uint32_t kCorruptedFlashOffset = 0x100000;

}  // namespace emu
