// Builds the command descriptor block of every command the system sends, each from its template.
#pragma once

#include <cstdint>

#include "scsi/types.h"

namespace scsi::cdb {

inline constexpr uint8_t kOpTestUnitReady = 0x00;
inline constexpr uint8_t kOpInquiry = 0x12;
inline constexpr uint8_t kOpStartStopUnit = 0x1B;
inline constexpr uint8_t kOpVendor = 0xA0;  // ReadFlash and WriteParameter, told apart by byte 1
inline constexpr uint8_t kOpWriteFirmwareBlock = 0xFA;
inline constexpr uint8_t kVendorReadFlash = 0x15;
inline constexpr uint8_t kVendorWriteParameter = 0x14;

Cdb Inquiry(uint8_t allocationLength);
Cdb TestUnitReady();
Cdb StartStopUnit(uint8_t p, int immediate);
Cdb ReadFlash(uint32_t address, uint16_t length);
Cdb WriteParameter(uint8_t code, uint16_t parameter, uint16_t length, const uint8_t (&value)[4]);
// Only the low 8 bits of the block index and count travel in the block.
Cdb WriteFirmwareBlock(uint16_t checkA, uint16_t checkB, int32_t index, int32_t count, uint8_t mode);

}  // namespace scsi::cdb
