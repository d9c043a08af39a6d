// What one flash job leaves for the window and the run log: where it failed and with which sense,
// the checksum read back and the verification's verdict on it, and how long it took. The worker
// fills it during its job; the window reads it only after the worker has cleared its go flag.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scsi/types.h"

namespace update {

enum class FailStep : uint8_t {
  None,
  Open,            // the drive could not be opened; see osError
  Identification,  // the drive did not answer INQUIRY
  Readiness,       // TEST UNIT READY found no medium
  ParameterWrite,  // the second accepted product's parameter write
  Block,           // a firmware block write; see block
  Verification,    // the checksum read back did not complete, or did not equal the reference
  Locked,          // another program holds the drive's exclusive lock; see lockOwner
};

// The worker's verdict on the checksum read back after the write, against the reference checksum
// handed to it with the job (FLASH.INI [VERIFY] CHECKSUM). The one judgement of a verification:
// the window colours and reports the row by it, and the log writes it.
enum class Verification : uint8_t {
  NoReference,  // none was handed: nothing is judged, whether or not a checksum was read
  NotRead,      // a reference was handed, but the job ended before the read-back
  Incomplete,   // the read-back did not complete
  Mismatch,     // read whole, and different from the reference
  Match,        // read whole, and equal to the reference
};

// The verdicts that fail a drive whose firmware was written: only a whole read equal to the
// reference passes, and no reference judges nothing.
constexpr bool VerificationFailed(Verification verdict) {
  return verdict != Verification::NoReference && verdict != Verification::Match;
}

struct JobRecord {
  FailStep step = FailStep::None;
  int32_t block = 0;       // 1-based number of the failed block
  int32_t blockCount = 0;  // blocks of the image
  scsi::SenseCode sense = 0;  // of the failing command; 0 when it left none
  uint32_t osError = 0;       // the Windows error of a failed open
  // A block the drive answered GOOD although it did not get all its bytes, with the count
  // when the transport gave one.
  bool cutShort = false;
  std::optional<uint32_t> moved;
  bool checksumRead = false;
  bool checksumComplete = false;
  uint16_t checksum = 0;
  Verification verification = Verification::NoReference;
  uint32_t durationSeconds = 0;
  std::string lockOwner;  // the program that held the drive, as it named itself
};

}  // namespace update
