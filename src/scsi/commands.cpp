// The seven drive commands: a block from its template, then one execute with its data phase.
#include "scsi/commands.h"

#include <algorithm>

#include "scsi/cdb.h"

namespace scsi {

namespace {

uint32_t Received(const Transfer& transfer) { return transfer.moved.value_or(0); }

}  // namespace

int Inquiry(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint8_t allocationLength, uint32_t* received) {
  Transfer transfer;
  const int ok = layer.ExecuteCommand(ref, cdb::Inquiry(allocationLength), buffer, allocationLength, kDirIn,
                                      kDefaultTimeoutMs, kCdbLength, &transfer);
  if (received != nullptr) *received = Received(transfer);
  // A transport that lost the answer may still say GOOD with nothing moved.
  const uint32_t needed = std::min<uint32_t>(allocationLength, kInquiryIdentificationEnd);
  return ok != 0 && Received(transfer) >= needed ? 1 : 0;
}

int TestUnitReady(ScsiLayer& layer, DeviceRef ref) { return TestUnitReadyTimed(layer, ref, kDefaultTimeoutMs); }

int TestUnitReadyTimed(ScsiLayer& layer, DeviceRef ref, uint32_t timeoutMs) {
  return layer.ExecuteCommand(ref, cdb::TestUnitReady(), nullptr, 0, kDirNone, timeoutMs, kCdbLength);
}

int StartStopUnit(ScsiLayer& layer, DeviceRef ref, uint8_t p, int immediate) {
  return layer.ExecuteCommand(ref, cdb::StartStopUnit(p, immediate), nullptr, 0, kDirNone, kDefaultTimeoutMs,
                              kCdbLength);
}

int ReadFlash(ScsiLayer& layer, DeviceRef ref, uint8_t* buffer, uint32_t address, uint16_t length,
              uint32_t* received) {
  Transfer transfer;
  const int ok = layer.ExecuteCommand(ref, cdb::ReadFlash(address, length), buffer, length, kDirIn,
                                      kDefaultTimeoutMs, kCdbLength, &transfer);
  if (received != nullptr) *received = Received(transfer);
  return ok;
}

int WriteParameter(ScsiLayer& layer, DeviceRef ref, uint8_t code, uint16_t parameter, uint16_t length,
                   const uint8_t (&value)[4]) {
  return layer.ExecuteCommand(ref, cdb::WriteParameter(code, parameter, length, value), nullptr, 0, kDirNone,
                              kDefaultTimeoutMs, kCdbLength);
}

int WriteFirmwareBlock(ScsiLayer& layer, DeviceRef ref, const uint8_t* block, uint16_t checkA, uint16_t checkB,
                       int32_t index, int32_t count, uint8_t mode, Transfer* transfer) {
  // The transport takes one buffer pointer for both directions; a data-out phase only reads it.
  return layer.ExecuteCommand(ref, cdb::WriteFirmwareBlock(checkA, checkB, index, count, mode),
                              const_cast<uint8_t*>(block), kFirmwareBlockSize, kDirOut, kFirmwareBlockTimeoutMs,
                              kCdbLength, transfer);
}

}  // namespace scsi
