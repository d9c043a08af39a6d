// The process-wide SCSI layer: finds the optical drives, opens them by index and executes command
// blocks through the back end of the operating-system family (the NT pass-through interface or the
// ASPI manager library), each a transport of its own.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
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

class Transport;

class ScsiLayer {
 public:
  static constexpr int kMaxDevices = 26;

  // Start-up: chooses the back end from the operating-system family and enumerates the drives
  // once. Shows nothing; a failure leaves the list empty.
  explicit ScsiLayer(const platform::ScsiPlatform& os);
  ~ScsiLayer();
  ScsiLayer(const ScsiLayer&) = delete;
  ScsiLayer& operator=(const ScsiLayer&) = delete;

  int DeviceCount() const;
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
  int ExecuteCommand(DeviceRef ref, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                     uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer = nullptr);
  // Copies the 16 sense bytes that the device's most recent command left.
  int GetSense(DeviceRef ref, uint8_t (&dest)[16]);
  SenseCode GetSenseCode(DeviceRef ref);

  // What start-up found, for the tests and the diagnostics.
  BackEnd GetBackEnd() const { return backEnd_; }
  // The consumer family (Windows 95/98/Me, platform id 1), which takes the ASPI back end.
  bool ConsumerFamily() const { return backEnd_ == BackEnd::Aspi; }
  AspiManagerState AspiState() const;
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
  bool InList(int32_t index) const;

  platform::ScsiPlatform os_;
  BackEnd backEnd_ = BackEnd::None;
  // The chosen back end with its own state; NoTransport on a platform of neither family.
  std::unique_ptr<Transport> transport_;
};

}  // namespace scsi
