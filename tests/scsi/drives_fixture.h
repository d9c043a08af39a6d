// Test equipment: puts emulated drives on either back end of an emulated machine, and the usual
// start of a test: the machine, its drives, the SCSI layer and a reference open on device 0.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "emu/drive.h"
#include "emu/machine.h"
#include "emulated_drives.h"
#include "scsi/scsi_layer.h"
#include "scsi/types.h"

namespace scsi::testing {

using test_support::EmulatedBackEnd;
using test_support::BackEndName;

// Drive i answers INQUIRY with product "DRIVE i"; on the pass-through back end it is letter E + i,
// on the ASPI back end adapter i / 8, target i % 8.
inline std::vector<std::shared_ptr<emu::Drive>> AttachDrives(emu::Machine& machine, const EmulatedBackEnd& backEnd,
                                                             int count) {
  return test_support::AttachDrives(machine, backEnd, test_support::NumberedDrives(count));
}

// `count` numbered drives on a machine that `configure` may set up first (its ASPI manager, its
// clock), the layer over them, and `ref` open on device 0. Making the layer and opening the
// reference send the drives nothing, so faults set on them afterwards count from the first command.
struct OpenDrives {
  explicit OpenDrives(const EmulatedBackEnd& backEnd, int count = 1,
                      const std::function<void(emu::Machine&)>& configure = {})
      : drives(Attach(machine, backEnd, count, configure)), layer(machine.Platform()) {
    layer.OpenRef(ref, 0);
  }

  emu::Machine machine;
  std::vector<std::shared_ptr<emu::Drive>> drives;
  ScsiLayer layer;
  DeviceRef ref = kClosedRef;

 private:
  static std::vector<std::shared_ptr<emu::Drive>> Attach(emu::Machine& machine, const EmulatedBackEnd& backEnd,
                                                         int count,
                                                         const std::function<void(emu::Machine&)>& configure) {
    if (configure) configure(machine);
    return AttachDrives(machine, backEnd, count);
  }
};

}  // namespace scsi::testing
