// The process-wide SCSI transport: finds the optical drives, opens them by index and executes
// command blocks through the NT pass-through interface or the ASPI manager library.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/scsi_records.h"
#include "platform/threads.h"
#include "scsi/types.h"

namespace scsi {

// How start-up found the ASPI manager; the window tells the user what a failure means.
enum class AspiManagerState {
  NotUsed,             // not the consumer family: the pass-through back end or none
  Ready,               // loaded, both entry points, support information "completed"
  NotLoaded,           // WNASPI32.DLL cannot be loaded
  EntryPointsMissing,  // it lacks GetASPI32SupportInfo or SendASPI32Command
  NotCompleted,        // its support information is not "completed" (no ASPI host adapter)
};

class ScsiLayer {
 public:
  static constexpr int kMaxDevices = 26;

  // Start-up: chooses the back end from the operating-system family and enumerates the drives
  // once. Shows nothing; a failure leaves the list empty.
  explicit ScsiLayer(const platform::ScsiPlatform& os);
  ~ScsiLayer();
  ScsiLayer(const ScsiLayer&) = delete;
  ScsiLayer& operator=(const ScsiLayer&) = delete;

  int DeviceCount() const { return deviceCount_; }
  int OpenDevice(int32_t index);
  int CloseDevice(int32_t index);
  int OpenRef(DeviceRef& ref, int32_t index);
  int CloseRef(DeviceRef& ref);

  // Pass-through: true when the most recent open of the reference's device failed, with the
  // Windows error it gave (a drive is always open on the ASPI back end).
  bool OpenFailed(DeviceRef ref) const;
  uint32_t OpenError(DeviceRef ref) const;

  // Exactly 12 CDB bytes are sent; cdbLength only fills the length fields. A command succeeds
  // only when it moved all its bytes out; one that reads may read fewer, which `transfer` tells.
  int ExecuteCommand(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                     uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer = nullptr);
  int ExecuteCommand(DeviceRef ref, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                     uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer = nullptr);
  // Copies the 16 sense bytes that the device's most recent command left.
  int GetSense(DeviceRef ref, uint8_t (&dest)[16]);
  SenseCode GetSenseCode(DeviceRef ref);

  // What start-up found, for the tests and the diagnostics.
  BackEnd GetBackEnd() const { return backEnd_; }
  // The consumer family (Windows 95/98/Me, platform id 1), which takes the ASPI back end.
  bool ConsumerFamily() const { return aspiState_ != AspiManagerState::NotUsed; }
  AspiManagerState AspiState() const { return aspiState_; }
  int32_t DeviceId(int index) const;
  platform::Handle HandleSlot(int index) const;
  // The alignment a pass-through data buffer of the index must meet (the adapter's AlignmentMask).
  uint32_t AlignmentMask(int index) const;

  // Assumed when the adapter does not tell its alignment: a page, which meets any mask a port
  // driver uses; the layer then copies every data phase through its own page-aligned buffer.
  static constexpr uint32_t kUnknownAlignmentMask = 0xFFF;

  // The file calls the layer was built with, for requests on a device's handle beside the
  // pass-through (the exclusive lock).
  platform::FileIo& Files() const { return os_.files; }

 private:
  static constexpr std::size_t kAspiSenseLength = 32;

  // One ASPI execute request with the completion event and the data buffer the manager reads and
  // writes; the caller's buffer is copied in before and out after a completed command, so memory
  // the caller reuses is never the manager's.
  struct AspiRequest {
    platform::SrbExecScsiCmd srb{};
    std::vector<uint8_t> data;
    platform::Handle event = 0;
  };

  bool InList(int32_t index) const { return index >= 0 && index < deviceCount_; }
  void EnumeratePassThrough();
  void EnumerateAspi();
  // The adapter's AlignmentMask for a freshly opened handle, or kUnknownAlignmentMask.
  uint32_t AskAlignmentMask(platform::Handle handle);
  // A buffer of the index that meets its mask and holds length bytes; grows, never shrinks.
  uint8_t* AlignedStaging(uint8_t index, uint32_t length);
  int ExecutePassThrough(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                         uint32_t timeoutMs, uint8_t cdbLength, Transfer& transfer);
  // Takes the event over (and sets it to 0) when it retires the request.
  int ExecuteAspi(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                  uint32_t timeoutMs, uint8_t cdbLength, platform::Handle& event, Transfer& transfer);
  // True when the manager is done with the request: the abort was accepted and the request left
  // the pending state in time.
  bool AbortAspiRequest(platform::SrbExecScsiCmd& srb);

  platform::ScsiPlatform os_;

  int32_t deviceCount_ = 0;
  std::array<int32_t, kMaxDevices> deviceIds_{};
  BackEnd backEnd_ = BackEnd::None;
  AspiManagerState aspiState_ = AspiManagerState::NotUsed;
  // -1: never opened or the open failed; 0: closed; anything else: an open handle.
  std::array<platform::Handle, kMaxDevices> handles_{};
  std::array<platform::PassThroughRequest, kMaxDevices> passThroughRequests_{};
  // Per index, like the handles: the error of a failed open, the adapter's alignment, and the
  // layer's own buffer for data phases whose caller's buffer does not meet it.
  std::array<bool, kMaxDevices> openFailed_{};
  std::array<uint32_t, kMaxDevices> openErrors_{};
  std::array<uint32_t, kMaxDevices> alignmentMasks_{};
  std::array<std::vector<uint8_t>, kMaxDevices> staging_;

  platform::GetAspi32SupportInfoFn getSupportInfo_ = nullptr;
  platform::SendAspi32CommandFn sendCommand_ = nullptr;
  // The ASPI manager has one request block for all devices, so commands on that back end run
  // one at a time; each device keeps the sense area its own last command left, so that workers
  // interleaving command by command read their own drive's sense.
  platform::Lock aspiMutex_;
  std::unique_ptr<AspiRequest> aspiRequest_ = std::make_unique<AspiRequest>();
  // A request the manager may still complete is never reused: its late answer must land in
  // memory nobody else uses. Kept until the layer ends.
  std::vector<std::unique_ptr<AspiRequest>> retiredAspiRequests_;
  std::array<std::array<uint8_t, platform::kAspiSenseAreaSize>, kMaxDevices> aspiSenseAreas_{};
};

}  // namespace scsi
