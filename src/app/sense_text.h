// Short readable texts for SCSI sense data, for the run log: the additional sense code and its
// qualifier where the standard names them, else the sense key.
#pragma once

#include <cstdint>
#include <string>

#include "scsi/types.h"

namespace app {

// "no sense" for 0 and for the no-device value; otherwise "KK/AA/QQ text" with the sense key (the
// low nibble of sense byte 2), ASC and ASCQ in upper-case hexadecimal.
std::string SenseText(scsi::SenseCode code);

// The text alone: the ASC/ASCQ name, else the sense key's name.
std::string SenseMeaning(uint8_t senseKey, uint8_t asc, uint8_t ascq);

}  // namespace app
