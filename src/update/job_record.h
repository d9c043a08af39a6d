// What one flash job leaves for the run log and the verification: where it failed and with which
// sense, the checksum read back, and how long it took. The worker fills it during its job; the
// window reads it only after the worker has cleared its go flag.
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
  Verification,    // the checksum read back did not complete (or did not match, judged by the window)
  Locked,          // another program holds the drive's exclusive lock; see lockOwner
};

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
  uint32_t durationSeconds = 0;
  std::string lockOwner;  // the program that held the drive, as it named itself
};

}  // namespace update
