// Finding the drive whose flash Get CS reads back.
#include "service/checksum_query.h"

#include "scsi/commands.h"
#include "scsi/sense.h"

namespace service {

int32_t OpenChecksumDrive(scsi::ScsiLayer& layer, scsi::DeviceRef& ref) {
  for (int32_t device = 0; device < layer.DeviceCount(); ++device) {
    layer.OpenRef(ref, device);
    if (scsi::TestUnitReady(layer, ref) == 1) return device;
    const scsi::SenseCode code = layer.GetSenseCode(ref);
    if (code == scsi::kMediumNotPresent || code == scsi::kMediumMayHaveChanged) return device;
    layer.CloseRef(ref);
  }
  return -1;
}

}  // namespace service
