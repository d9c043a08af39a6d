// The emulated machine's DeviceIoControl: IOCTL_SCSI_GET_CAPABILITIES, and
// IOCTL_SCSI_PASS_THROUGH_DIRECT on the 80-byte request block, checked as strictly as a port
// driver would (the adapter's alignment included), executed on the handle's drive in the calling
// thread's virtual time. A drive slower than TimeOutValue, or one that never answers, makes the
// call fail as the port driver's time-out would.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "emu/machine.h"
#include "emu/scsi_codes.h"
#include "platform/cdrom_exclusive.h"
#include "platform/scsi_records.h"

namespace emu {
namespace {

using platform::PassThroughRequest;
using platform::ScsiPassThroughDirect;

constexpr uint32_t kMaxPassThroughTransfer = 0x20000;
constexpr uint32_t kPageSize = 4096;

// Checks what a port driver checks; the direction code (kDirIn, kDirOut, kDirNone) when the block
// is sound.
std::optional<uint8_t> CheckRequest(const PassThroughRequest& request, uint32_t size) {
  const ScsiPassThroughDirect& sptd = request.sptd;
  if (sptd.Length != sizeof(ScsiPassThroughDirect)) return std::nullopt;
  if (sptd.CdbLength == 0 || sptd.CdbLength > sizeof(sptd.Cdb)) return std::nullopt;
  if (sptd.SenseInfoLength > 0 && (sptd.SenseInfoOffset < sizeof(ScsiPassThroughDirect) ||
                                   uint64_t{sptd.SenseInfoOffset} + sptd.SenseInfoLength > size)) {
    return std::nullopt;
  }
  uint8_t direction = kDirNone;
  switch (sptd.DataIn) {
    case platform::kScsiIoctlDataIn: direction = kDirIn; break;
    case platform::kScsiIoctlDataOut: direction = kDirOut; break;
    case platform::kScsiIoctlDataUnspecified: direction = kDirNone; break;
    default: return std::nullopt;
  }
  if (direction == kDirNone && sptd.DataTransferLength != 0) return std::nullopt;
  if (direction != kDirNone && sptd.DataTransferLength > 0 && sptd.DataBuffer == nullptr) return std::nullopt;
  return direction;
}

}  // namespace

// The adapter's capabilities, as a port driver reports them: the whole record or nothing.
int Machine::GetCapabilities(const Letter& letter, void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
  if (letter.failCapabilities) {
    SetLastError(platform::kErrorInvalidParameter);
    return 0;
  }
  if (outBuffer == nullptr || outSize < sizeof(platform::IoScsiCapabilities)) {
    SetLastError(platform::kErrorInsufficientBuffer);
    return 0;
  }
  platform::IoScsiCapabilities capabilities{};
  capabilities.Length = sizeof capabilities;
  capabilities.MaximumTransferLength = kMaxPassThroughTransfer;
  capabilities.MaximumPhysicalPages = kMaxPassThroughTransfer / kPageSize + 1;
  capabilities.AlignmentMask = letter.alignmentMask;
  std::memcpy(outBuffer, &capabilities, sizeof capabilities);
  *bytesReturned = sizeof capabilities;
  return 1;
}

int Machine::DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                             void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
  std::shared_ptr<Drive> drive;
  Letter letter;
  uint32_t access = 0;
  {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(device);
    if (found != devices_.end()) {
      drive = found->second.drive;
      access = found->second.access;
      letter = letters_.at(found->second.letter);
      ApplyForeignLocksLocked(drive.get());
      if (ioControlCode == platform::kIoctlCdromExclusiveAccess) {
        // The lock needs a handle opened for reading and writing, as the pass-through does.
        const uint32_t readWrite = platform::kGenericRead | platform::kGenericWrite;
        if ((access & readWrite) != readWrite) return 0;
        return ExclusiveAccessLocked(drive, device, inBuffer, inSize, outBuffer, outSize, bytesReturned);
      }
      if (LockedAgainstLocked(drive.get(), device)) return 0;  // another handle holds the lock
    }
  }
  if (drive == nullptr) {
    SetLastError(platform::kErrorInvalidHandle);
    return 0;
  }
  if (bytesReturned == nullptr) return 0;
  if (ioControlCode == platform::kIoctlScsiGetCapabilities) return GetCapabilities(letter, outBuffer, outSize, bytesReturned);
  // The pass-through needs a handle opened for reading and writing.
  const uint32_t readWrite = platform::kGenericRead | platform::kGenericWrite;
  if ((access & readWrite) != readWrite) return 0;
  if (ioControlCode != platform::kIoctlScsiPassThroughDirect) return 0;
  if (inBuffer == nullptr || inBuffer != outBuffer || inSize != sizeof(PassThroughRequest) || outSize != inSize) {
    return 0;
  }
  auto& request = *static_cast<PassThroughRequest*>(inBuffer);
  const std::optional<uint8_t> direction = CheckRequest(request, inSize);
  if (!direction) return 0;
  // A data buffer the adapter cannot reach at its alignment is refused before the drive sees
  // anything, as Windows does.
  if (request.sptd.DataTransferLength > 0 &&
      (reinterpret_cast<std::uintptr_t>(request.sptd.DataBuffer) & letter.alignmentMask) != 0) {
    SetLastError(platform::kErrorInvalidParameter);
    return 0;
  }

  ScsiPassThroughDirect& sptd = request.sptd;
  CommandRecord cmd;
  std::memcpy(cmd.cdb.data(), sptd.Cdb, std::min<size_t>(sptd.CdbLength, cmd.cdb.size()));
  cmd.cdbLength = sptd.CdbLength;
  cmd.direction = *direction;
  cmd.transferLength = sptd.DataTransferLength;
  cmd.timeoutSeconds = sptd.TimeOutValue;
  cmd.atMs = clocks_.Now();
  cmd.transport = Transport::PassThrough;
  uint8_t* data = *direction != kDirNone ? static_cast<uint8_t*>(sptd.DataBuffer) : nullptr;
  const Drive::Result result = drive->Execute(cmd, data);
  if (result.gone) return 0;  // the device was removed: its handle no longer answers

  const uint64_t timeoutMs = uint64_t{sptd.TimeOutValue} * 1000;
  const bool timedOut = result.neverCompletes || result.latencyMs > timeoutMs;
  const uint64_t spentMs = timedOut ? timeoutMs : result.latencyMs;
  if (realTimeLatency_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(spentMs));
  AdvanceThisThread(spentMs);
  if (timedOut || result.transportError) return 0;

  sptd.ScsiStatus = result.good ? kStatusGood : kStatusCheckCondition;
  // The port driver reports an underrun by the bytes that really went across.
  if (result.shortTransfer) sptd.DataTransferLength = result.movedBytes;
  if (!result.good) {
    const size_t n = std::min<size_t>(sptd.SenseInfoLength, result.sense.size());
    std::memcpy(static_cast<uint8_t*>(inBuffer) + sptd.SenseInfoOffset, result.sense.data(), n);
  }
  *bytesReturned = outSize;
  return 1;
}

}  // namespace emu
