// Helpers of the emulated machine's tests: pass-through request blocks and ASPI request blocks
// filled the way the SCSI access layer fills them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>

#include "emu/machine.h"
#include "emu_test_util.h"
#include "platform/scsi_records.h"

namespace emu::test {

inline platform::PassThroughRequest PassThrough(const Cdb& cdb, void* data, uint32_t length, uint8_t dataIn,
                                                uint32_t timeoutSeconds = 15) {
  platform::PassThroughRequest request{};
  request.sptd.Length = sizeof(platform::ScsiPassThroughDirect);
  request.sptd.CdbLength = 12;
  request.sptd.SenseInfoLength = platform::kPassThroughSenseSize;
  request.sptd.DataIn = dataIn;
  request.sptd.DataTransferLength = length;
  request.sptd.TimeOutValue = timeoutSeconds;
  request.sptd.DataBuffer = data;
  request.sptd.SenseInfoOffset = offsetof(platform::PassThroughRequest, sense);
  std::memcpy(request.sptd.Cdb, cdb.data(), cdb.size());
  return request;
}

inline int Send(Machine& machine, platform::Handle device, platform::PassThroughRequest& request) {
  uint32_t returned = 0;
  return machine.DeviceIoControl(device, platform::kIoctlScsiPassThroughDirect, &request, sizeof(request), &request,
                                 sizeof(request), &returned);
}

inline platform::Handle OpenDevice(Machine& machine, char letter) {
  const char path[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
  return machine.CreateFileA(path, platform::kGenericRead | platform::kGenericWrite,
                             platform::kFileShareRead | platform::kFileShareWrite, platform::kOpenExisting,
                             platform::kFileFlagOverlapped);
}

inline uint8_t StatusOf(platform::SrbExecScsiCmd& srb) {
  return std::atomic_ref<uint8_t>(srb.SRB_Status).load(std::memory_order_acquire);
}

}  // namespace emu::test
