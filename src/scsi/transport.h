// What one back end of the SCSI layer carries out, behind the layer's API: its device list, the
// opening of a device, one command and the sense that command left. The layer owns one, chosen
// at start-up from the operating-system family.
#pragma once

#include <array>
#include <cstdint>

#include "platform/scsi_records.h"
#include "scsi/scsi_layer.h"
#include "scsi/sense.h"
#include "scsi/types.h"

namespace scsi {

// The drives a back end found, in the order it found them: a drive letter on the pass-through
// back end, adapter * 256 + target on the ASPI one.
struct DeviceList {
  int32_t count = 0;
  std::array<int32_t, ScsiLayer::kMaxDevices> ids{};

  bool Has(int32_t index) const { return index >= 0 && index < count; }
  bool Full() const { return count >= ScsiLayer::kMaxDevices; }
  void Add(int32_t id) {
    if (!Full()) ids[count++] = id;
  }
};

// The layer has checked every index it hands over against the list; the queries take any index.
class Transport {
 public:
  virtual ~Transport() = default;

  const DeviceList& Devices() const { return devices_; }

  virtual void Open(int32_t index) = 0;
  virtual void Close(int32_t index) = 0;
  virtual int Execute(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                      uint32_t timeoutMs, uint8_t cdbLength, Transfer& transfer) = 0;
  virtual void CopySense(int32_t index, uint8_t (&dest)[kSenseDataLength]) = 0;

  // Only a back end with handles has anything else to say here.
  virtual bool OpenFailed(int32_t /*index*/) const { return false; }
  virtual uint32_t OpenError(int32_t /*index*/) const { return 0; }
  virtual platform::Handle HandleSlot(int32_t /*index*/) const { return platform::kInvalidHandle; }
  virtual uint32_t AlignmentMask(int32_t /*index*/) const { return ScsiLayer::kUnknownAlignmentMask; }
  virtual AspiManagerState AspiState() const { return AspiManagerState::NotUsed; }

 protected:
  DeviceList devices_;
};

// A platform of neither family: no drive is listed, so nothing ever reaches a command.
class NoTransport final : public Transport {
 public:
  void Open(int32_t /*index*/) override {}
  void Close(int32_t /*index*/) override {}
  int Execute(int32_t, const Cdb&, void*, uint32_t, uint8_t, uint32_t, uint8_t, Transfer&) override { return 0; }
  void CopySense(int32_t /*index*/, uint8_t (&dest)[kSenseDataLength]) override {
    for (uint8_t& byte : dest) byte = 0;
  }
};

}  // namespace scsi
