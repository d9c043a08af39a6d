// ArgDrv's arrangement of the rows: the operator empties the drives one after another and each
// takes the next row, in the window's drive order and in FLASH.INI.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"
#include "platform/profile.h"
#include "scsi/scsi_layer.h"
#include "scsi/types.h"
#include "settings/startup_settings.h"

namespace service {

// About a minute of scans, one a second, before the arrangement gives up on the drives left.
inline constexpr int kArrangementScans = 61;
inline constexpr uint32_t kArrangementScanPauseMs = 1000;

// What the window does during the arrangement.
struct ArrangementWindow {
  // Row `row` has just been given its drive (already in the order).
  std::function<void(int row)> placed;
  // Called after each pause between scans: handles the operator's messages and says whether to
  // go on (false once the window closes or the operator leaves).
  std::function<bool()> keepScanning;
};

// Scans the first `driveCount` devices until each is placed or the scans run out, then writes the
// rows left over as -1 and the number placed; an early stop writes the same as a time-out.
// Returns the number of drives placed, which are the first rows of `order`.
int32_t ArrangeDrives(scsi::ScsiLayer& layer, scsi::DeviceRef& ref, platform::Clock& clock,
                      platform::Profile& profile, int32_t driveCount, settings::DriveOrder& order,
                      const ArrangementWindow& window);

}  // namespace service
