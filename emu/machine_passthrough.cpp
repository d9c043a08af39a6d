// The emulated machine's DeviceIoControl: IOCTL_SCSI_PASS_THROUGH_DIRECT on the 80-byte request
// block, checked as strictly as a port driver would, executed on the handle's drive in the calling
// thread's virtual time. A drive slower than TimeOutValue, or one that never answers, makes the
// call fail as the port driver's time-out would.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "emu/machine.h"
#include "platform/cdrom_exclusive.h"
#include "platform/scsi_records.h"

namespace emu {
namespace {

using platform::PassThroughRequest;
using platform::ScsiPassThroughDirect;

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;

// Checks what a port driver checks; the direction code (8, 16, 0) when the block is sound.
std::optional<uint8_t> CheckRequest(const PassThroughRequest& request, uint32_t size) {
  const ScsiPassThroughDirect& sptd = request.sptd;
  if (sptd.Length != sizeof(ScsiPassThroughDirect)) return std::nullopt;
  if (sptd.CdbLength == 0 || sptd.CdbLength > sizeof(sptd.Cdb)) return std::nullopt;
  if (sptd.SenseInfoLength > 0 && (sptd.SenseInfoOffset < sizeof(ScsiPassThroughDirect) ||
                                   uint64_t{sptd.SenseInfoOffset} + sptd.SenseInfoLength > size)) {
    return std::nullopt;
  }
  uint8_t direction = 0;
  switch (sptd.DataIn) {
    case platform::kScsiIoctlDataIn: direction = 8; break;
    case platform::kScsiIoctlDataOut: direction = 16; break;
    case platform::kScsiIoctlDataUnspecified: direction = 0; break;
    default: return std::nullopt;
  }
  if (direction == 0 && sptd.DataTransferLength != 0) return std::nullopt;
  if (direction != 0 && sptd.DataTransferLength > 0 && sptd.DataBuffer == nullptr) return std::nullopt;
  return direction;
}

}  // namespace

int Machine::DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                             void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
  std::shared_ptr<Drive> drive;
  {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(device);
    if (found == devices_.end()) return 0;
    // The pass-through needs a handle opened for reading and writing.
    const uint32_t readWrite = platform::kGenericRead | platform::kGenericWrite;
    if ((found->second.access & readWrite) != readWrite) return 0;
    drive = found->second.drive;
    ApplyForeignLocksLocked(drive.get());
    if (ioControlCode == platform::kIoctlCdromExclusiveAccess) {
      return ExclusiveAccessLocked(drive, device, inBuffer, inSize, outBuffer, outSize, bytesReturned);
    }
    if (LockedAgainstLocked(drive.get(), device)) return 0;  // another handle holds the lock
  }
  if (ioControlCode != platform::kIoctlScsiPassThroughDirect || bytesReturned == nullptr) return 0;
  if (inBuffer == nullptr || inBuffer != outBuffer || inSize != sizeof(PassThroughRequest) || outSize != inSize) {
    return 0;
  }
  auto& request = *static_cast<PassThroughRequest*>(inBuffer);
  const std::optional<uint8_t> direction = CheckRequest(request, inSize);
  if (!direction) return 0;

  ScsiPassThroughDirect& sptd = request.sptd;
  CommandRecord cmd;
  std::memcpy(cmd.cdb.data(), sptd.Cdb, std::min<size_t>(sptd.CdbLength, cmd.cdb.size()));
  cmd.cdbLength = sptd.CdbLength;
  cmd.direction = *direction;
  cmd.transferLength = sptd.DataTransferLength;
  cmd.timeoutSeconds = sptd.TimeOutValue;
  cmd.atMs = clocks_.Now();
  cmd.transport = Transport::PassThrough;
  uint8_t* data = *direction != 0 ? static_cast<uint8_t*>(sptd.DataBuffer) : nullptr;
  const Drive::Result result = drive->Execute(cmd, data);
  if (result.gone) return 0;  // the device was removed: its handle no longer answers

  const uint64_t timeoutMs = uint64_t{sptd.TimeOutValue} * 1000;
  const bool timedOut = result.neverCompletes || result.latencyMs > timeoutMs;
  const uint64_t spentMs = timedOut ? timeoutMs : result.latencyMs;
  if (realTimeLatency_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(spentMs));
  AdvanceThisThread(spentMs);
  if (timedOut || result.transportError) return 0;

  sptd.ScsiStatus = result.good ? kStatusGood : kStatusCheckCondition;
  if (!result.good) {
    const size_t n = std::min<size_t>(sptd.SenseInfoLength, result.sense.size());
    std::memcpy(static_cast<uint8_t*>(inBuffer) + sptd.SenseInfoOffset, result.sense.data(), n);
  }
  *bytesReturned = outSize;
  return 1;
}

}  // namespace emu
