// The SCSI layer's own part: the back end chosen from the operating-system family, and the checks
// every call on a device index passes before it reaches that back end's transport.
#include "scsi/scsi_layer.h"

#include "scsi/aspi_transport.h"
#include "scsi/passthrough_transport.h"
#include "scsi/transport.h"

namespace scsi {
namespace {

std::unique_ptr<Transport> TransportFor(BackEnd backEnd, const platform::ScsiPlatform& os) {
  switch (backEnd) {
    case BackEnd::PassThrough:
      return std::make_unique<PassThroughTransport>(os);
    case BackEnd::Aspi:
      return std::make_unique<AspiTransport>(os);
    case BackEnd::None:
      break;
  }
  return std::make_unique<NoTransport>();
}

BackEnd BackEndOf(uint32_t platformId) {
  if (platformId == platform::kPlatformWin32NT) return BackEnd::PassThrough;
  if (platformId == platform::kPlatformWin32Windows) return BackEnd::Aspi;
  return BackEnd::None;
}

}  // namespace

ScsiLayer::ScsiLayer(const platform::ScsiPlatform& os)
    : os_(os), backEnd_(BackEndOf(platform::PlatformId(os_.system))), transport_(TransportFor(backEnd_, os_)) {}

ScsiLayer::~ScsiLayer() = default;

bool ScsiLayer::InList(int32_t index) const { return transport_->Devices().Has(index); }

int ScsiLayer::DeviceCount() const { return transport_->Devices().count; }

int ScsiLayer::OpenDevice(int32_t index) {
  if (!InList(index)) return 0;
  transport_->Open(index);
  return 1;
}

int ScsiLayer::CloseDevice(int32_t index) {
  if (InList(index)) transport_->Close(index);
  return 1;
}

int ScsiLayer::OpenRef(DeviceRef& ref, int32_t index) {
  OpenDevice(index);
  ref = index;
  return 1;
}

int ScsiLayer::CloseRef(DeviceRef& ref) {
  if (ref != kClosedRef) {
    CloseDevice(ref);
    ref = kClosedRef;
  }
  return 1;
}

bool ScsiLayer::OpenFailed(DeviceRef ref) const { return transport_->OpenFailed(ref); }

uint32_t ScsiLayer::OpenError(DeviceRef ref) const { return transport_->OpenError(ref); }

int ScsiLayer::ExecuteCommand(DeviceRef ref, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                              uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer) {
  Transfer report;
  if (transfer != nullptr) *transfer = report;
  // A reference to an index outside the list must not reach whatever device it might name.
  if (ref == kClosedRef || !InList(ref)) return 0;
  const int result = transport_->Execute(ref, cdb, buffer, length, direction, timeoutMs, cdbLength, report);
  if (transfer != nullptr) *transfer = report;
  return result;
}

int ScsiLayer::GetSense(DeviceRef ref, uint8_t (&dest)[16]) {
  if (ref == kClosedRef || !InList(ref)) return 0;
  transport_->CopySense(ref, dest);
  return 1;
}

SenseCode ScsiLayer::GetSenseCode(DeviceRef ref) {
  uint8_t sense[kSenseDataLength] = {};
  if (GetSense(ref, sense) == 0) return kNoDeviceSense;
  return SenseCodeOf(sense);
}

AspiManagerState ScsiLayer::AspiState() const { return transport_->AspiState(); }

int32_t ScsiLayer::DeviceId(int index) const { return InList(index) ? transport_->Devices().ids[index] : -1; }

platform::Handle ScsiLayer::HandleSlot(int index) const { return transport_->HandleSlot(index); }

uint32_t ScsiLayer::AlignmentMask(int index) const { return transport_->AlignmentMask(index); }

}  // namespace scsi
