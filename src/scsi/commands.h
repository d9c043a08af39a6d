// The drive command set: one function per SCSI command the system sends, each on an open reference.
#pragma once

#include <cstdint>

#include "scsi/scsi_layer.h"
#include "scsi/types.h"

namespace scsi {

inline constexpr uint32_t kFirmwareBlockSize = 16384;
inline constexpr uint32_t kFirmwareBlockTimeoutMs = 60000;

// INQUIRY data identifies a drive only up to the end of its product identification.
inline constexpr uint32_t kInquiryIdentificationEnd = 32;

// Each returns 1 when the drive completed the command with good status and a data-out moved all
// its bytes, else 0; the caller reads the sense data through the layer afterwards. A read tells
// in `received` how many bytes arrived (the rest of the buffer is left as it was).
//
// INQUIRY also fails when fewer bytes arrived than identify the drive (kInquiryIdentificationEnd,
// or the whole allocation when that is less).
int Inquiry(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint8_t allocationLength,
            uint32_t* received = nullptr);
int TestUnitReady(ScsiLayer& layer, DeviceRef ref);
int TestUnitReadyTimed(ScsiLayer& layer, DeviceRef ref, uint32_t timeoutMs);
int StartStopUnit(ScsiLayer& layer, DeviceRef ref, uint8_t p, int immediate);
int ReadFlash(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint32_t address, uint16_t length,
              uint32_t* received = nullptr);
int WriteParameter(ScsiLayer& layer, DeviceRef ref, uint8_t code, uint16_t parameter, uint16_t length,
                   const uint8_t (&value)[4]);
// block holds kFirmwareBlockSize bytes.
int WriteFirmwareBlock(ScsiLayer& layer, DeviceRef ref, const uint8_t* block, uint16_t checkA, uint16_t checkB,
                       int32_t index, int32_t count, uint8_t mode, Transfer* transfer = nullptr);

}  // namespace scsi
