// The SCSI codes the emulated drives and their hosts speak: operation codes, the vendor command's
// kinds, the data directions of a command record, the target status bytes and the peripheral
// device types. The emulator names them itself, apart from the program's SCSI layer, on purpose:
// it is the independent oracle the program is tested against, so a wrong code on one side shows
// up as a failure instead of being shared by both.
#pragma once

#include <cstdint>

namespace emu {

// Operation codes (CDB byte 0).
inline constexpr uint8_t kOpTestUnitReady = 0x00;
inline constexpr uint8_t kOpInquiry = 0x12;
inline constexpr uint8_t kOpStartStopUnit = 0x1B;
inline constexpr uint8_t kOpVendor = 0xA0;  // the family's vendor command, its kind in CDB byte 1
inline constexpr uint8_t kOpWriteFirmwareBlock = 0xFA;

// Kinds of the vendor command (CDB byte 1).
inline constexpr uint8_t kVendorWriteParameter = 0x14;
inline constexpr uint8_t kVendorReadFlash = 0x15;

// CommandRecord::direction, as the host asked for the data phase.
inline constexpr uint8_t kDirNone = 0;
inline constexpr uint8_t kDirIn = 8;
inline constexpr uint8_t kDirOut = 16;

// Target status bytes.
inline constexpr uint8_t kStatusGood = 0x00;
inline constexpr uint8_t kStatusCheckCondition = 0x02;

// Peripheral device types (INQUIRY byte 0, and what the ASPI manager reports for a target).
inline constexpr uint8_t kDeviceTypeDisk = 0x00;
inline constexpr uint8_t kDeviceTypeCdrom = 0x05;

}  // namespace emu
