// The drive command set: one function per SCSI command the system sends, each on an open reference.
#pragma once

#include <cstdint>

#include "scsi/scsi_layer.h"
#include "scsi/types.h"

namespace scsi {

inline constexpr uint32_t kFirmwareBlockSize = 16384;
inline constexpr uint32_t kFirmwareBlockTimeoutMs = 60000;

// Each returns 1 when the drive completed the command with good status, else 0; the caller reads
// the sense data through the layer afterwards.
int Inquiry(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint8_t allocationLength);
int TestUnitReady(ScsiLayer& layer, DeviceRef ref);
int TestUnitReadyTimed(ScsiLayer& layer, DeviceRef ref, uint32_t timeoutMs);
int StartStopUnit(ScsiLayer& layer, DeviceRef ref, uint8_t p, int immediate);
int ReadFlash(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint32_t address, uint16_t length);
int WriteParameter(ScsiLayer& layer, DeviceRef ref, uint8_t code, uint16_t parameter, uint16_t length,
                   const uint8_t (&value)[4]);
// block holds kFirmwareBlockSize bytes.
int WriteFirmwareBlock(ScsiLayer& layer, DeviceRef ref, const uint8_t* block, uint16_t checkA, uint16_t checkB,
                       int32_t index, int32_t count, uint8_t mode);

}  // namespace scsi
