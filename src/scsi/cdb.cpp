// Command descriptor blocks from their fixed templates; multi-byte fields big-endian.
#include "scsi/cdb.h"

#include <cstring>

#include "scsi/big_endian.h"

namespace scsi::cdb {
namespace {

constexpr Cdb kReadFlashTemplate = {0xA0, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kWriteParameterTemplate = {0xA0, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kInquiryTemplate = {0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kWriteFirmwareBlockTemplate = {0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kStartStopUnitTemplate = {0x1B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kTestUnitReadyTemplate = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// The flash read names its flash area with this constant; its meaning lies in the drive.
constexpr uint8_t kReadFlashArea = 0x0A;

uint8_t Low8(int32_t value) { return static_cast<uint8_t>(value & 0xFF); }

}  // namespace

Cdb Inquiry(uint8_t allocationLength) {
  Cdb block = kInquiryTemplate;
  block[4] = allocationLength;
  return block;
}

Cdb TestUnitReady() { return kTestUnitReadyTemplate; }

Cdb StartStopUnit(uint8_t p, int immediate) {
  Cdb block = kStartStopUnitTemplate;
  block[1] = immediate != 0 ? 0x01 : 0x00;
  block[4] = p;
  return block;
}

Cdb ReadFlash(uint32_t address, uint16_t length) {
  Cdb block = kReadFlashTemplate;
  block[2] = kReadFlashArea;
  PutBe32(&block[6], address);
  PutBe16(&block[10], length);
  return block;
}

Cdb WriteParameter(uint8_t code, uint16_t parameter, uint16_t length, const uint8_t (&value)[4]) {
  Cdb block = kWriteParameterTemplate;
  block[2] = code;
  PutBe16(&block[4], parameter);
  // The value bytes go out in buffer order: they are opaque to the host.
  std::memcpy(&block[6], value, sizeof value);
  PutBe16(&block[10], length);
  return block;
}

Cdb WriteFirmwareBlock(uint16_t checkA, uint16_t checkB, int32_t index, int32_t count, uint8_t mode) {
  Cdb block = kWriteFirmwareBlockTemplate;
  // Both check words travel twice, so the drive can tell a damaged block from a good one.
  PutBe16(&block[1], checkA);
  PutBe16(&block[3], checkB);
  block[5] = Low8(index);
  block[6] = mode;
  PutBe16(&block[7], checkA);
  PutBe16(&block[9], checkB);
  block[11] = Low8(count);
  return block;
}

}  // namespace scsi::cdb
