// The sense texts: the table of standard sense keys and of the additional sense codes an optical
// drive commonly returns, written from the public SCSI primary and multimedia command descriptions.
#include "scsi/sense.h"

#include <cstdio>

namespace scsi {
namespace {

constexpr const char* kSenseKeys[16] = {
    "no sense",        "recovered error", "not ready",        "medium error",
    "hardware error",  "illegal request", "unit attention",   "data protect",
    "blank check",     "vendor specific", "copy aborted",     "aborted command",
    "obsolete key",    "volume overflow", "miscompare",       "completed",
};

struct AdditionalSense {
  uint8_t asc;
  uint8_t ascq;
  const char* text;
};

constexpr AdditionalSense kAdditionalSense[] = {
    {0x00, 0x00, "no additional sense information"},
    {0x02, 0x00, "no seek complete"},
    {0x04, 0x00, "logical unit not ready, cause not reportable"},
    {0x04, 0x01, "logical unit is in process of becoming ready"},
    {0x04, 0x02, "logical unit not ready, initializing command required"},
    {0x04, 0x03, "logical unit not ready, manual intervention required"},
    {0x04, 0x04, "logical unit not ready, format in progress"},
    {0x04, 0x07, "logical unit not ready, operation in progress"},
    {0x04, 0x08, "logical unit not ready, long write in progress"},
    {0x06, 0x00, "no reference position found"},
    {0x08, 0x00, "logical unit communication failure"},
    {0x08, 0x01, "logical unit communication time-out"},
    {0x09, 0x00, "track following error"},
    {0x0C, 0x00, "write error"},
    {0x11, 0x00, "unrecovered read error"},
    {0x15, 0x00, "random positioning error"},
    {0x1A, 0x00, "parameter list length error"},
    {0x20, 0x00, "invalid command operation code"},
    {0x21, 0x00, "logical block address out of range"},
    {0x24, 0x00, "invalid field in CDB"},
    {0x25, 0x00, "logical unit not supported"},
    {0x26, 0x00, "invalid field in parameter list"},
    {0x27, 0x00, "write protected"},
    {0x28, 0x00, "not ready to ready change, medium may have changed"},
    {0x29, 0x00, "power on, reset, or bus device reset occurred"},
    {0x29, 0x01, "power on occurred"},
    {0x29, 0x02, "SCSI bus reset occurred"},
    {0x29, 0x03, "bus device reset function occurred"},
    {0x2A, 0x00, "parameters changed"},
    {0x2C, 0x00, "command sequence error"},
    {0x30, 0x00, "incompatible medium installed"},
    {0x31, 0x00, "medium format corrupted"},
    {0x3A, 0x00, "medium not present"},
    {0x3A, 0x01, "medium not present, tray closed"},
    {0x3A, 0x02, "medium not present, tray open"},
    {0x3E, 0x00, "logical unit has not self-configured yet"},
    {0x3F, 0x01, "microcode has been changed"},
    {0x40, 0x00, "RAM failure"},
    {0x44, 0x00, "internal target failure"},
    {0x47, 0x00, "SCSI parity error"},
    {0x48, 0x00, "initiator detected error message received"},
    {0x4E, 0x00, "overlapped commands attempted"},
    {0x53, 0x02, "medium removal prevented"},
    {0x5A, 0x01, "operator medium removal request"},
    {0x5D, 0x00, "failure prediction threshold exceeded"},
    {0x64, 0x00, "illegal mode for this track"},
};

}  // namespace

std::string SenseMeaning(uint8_t senseKey, uint8_t asc, uint8_t ascq) {
  // ASC 00/00 says nothing beyond the key, so the key is the better text there.
  if (asc != 0 || ascq != 0) {
    for (const AdditionalSense& entry : kAdditionalSense) {
      if (entry.asc == asc && entry.ascq == ascq) return entry.text;
    }
  }
  return kSenseKeys[senseKey & 0x0F];
}

std::string SenseText(SenseCode code) {
  if (code == 0 || code == kNoDeviceSense) return "no sense";
  const uint8_t key = static_cast<uint8_t>((code >> 16) & 0x0F);
  const uint8_t asc = static_cast<uint8_t>(code >> 8);
  const uint8_t ascq = static_cast<uint8_t>(code);
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02X/%02X/%02X ", key, asc, ascq);
  return prefix + SenseMeaning(key, asc, ascq);
}

}  // namespace scsi
