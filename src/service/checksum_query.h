// Get CS's choice of drive: the first device that can be read back now or as soon as a disc is out.
#pragma once

#include <cstdint>

#include "scsi/scsi_layer.h"
#include "scsi/types.h"

namespace service {

// Tries the devices in list order and keeps the first that answers TEST UNIT READY, or fails it
// as empty with the tray closed (02/3A/00) or as just changed (06/28/00): those hold no disc the
// read-back could disturb. Its reference stays open in `ref` and its index is returned; with no
// such device the result is -1 and `ref` is closed.
int32_t OpenChecksumDrive(scsi::ScsiLayer& layer, scsi::DeviceRef& ref);

}  // namespace service
