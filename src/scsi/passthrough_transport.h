// The NT family's back end: the CD-ROM drive letters, a handle per device and each command as one
// direct SCSI pass-through request on it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "scsi/transport.h"

namespace scsi {

class PassThroughTransport final : public Transport {
 public:
  // Lists every drive letter the system calls a CD-ROM.
  explicit PassThroughTransport(const platform::ScsiPlatform& os);

  void Open(int32_t index) override;
  void Close(int32_t index) override;
  int Execute(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction, uint32_t timeoutMs,
              uint8_t cdbLength, Transfer& transfer) override;
  void CopySense(int32_t index, uint8_t (&dest)[kSenseDataLength]) override;

  bool OpenFailed(int32_t index) const override;
  uint32_t OpenError(int32_t index) const override;
  platform::Handle HandleSlot(int32_t index) const override;
  uint32_t AlignmentMask(int32_t index) const override;

 private:
  static bool InRange(int32_t index) { return index >= 0 && index < ScsiLayer::kMaxDevices; }
  // The adapter's AlignmentMask for a freshly opened handle, or kUnknownAlignmentMask.
  uint32_t AskAlignmentMask(platform::Handle handle);
  // A buffer of the index that meets its mask and holds length bytes; grows, never shrinks.
  uint8_t* AlignedStaging(int32_t index, uint32_t length);

  platform::ScsiPlatform os_;
  // -1: never opened or the open failed; 0: closed; anything else: an open handle.
  std::array<platform::Handle, ScsiLayer::kMaxDevices> handles_{};
  std::array<platform::PassThroughRequest, ScsiLayer::kMaxDevices> requests_{};
  // Per index, like the handles: the error of a failed open, the adapter's alignment, and the
  // transport's own buffer for data phases whose caller's buffer does not meet it.
  std::array<bool, ScsiLayer::kMaxDevices> openFailed_{};
  std::array<uint32_t, ScsiLayer::kMaxDevices> openErrors_{};
  std::array<uint32_t, ScsiLayer::kMaxDevices> alignmentMasks_{};
  std::array<std::vector<uint8_t>, ScsiLayer::kMaxDevices> staging_;
};

}  // namespace scsi
