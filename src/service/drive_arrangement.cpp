// The scan loop and row placement of ArgDrv.
#include "service/drive_arrangement.h"

#include <algorithm>
#include <array>

#include "scsi/commands.h"
#include "scsi/sense.h"
#include "settings/settings_file.h"

namespace service {

int32_t ArrangeDrives(scsi::ScsiLayer& layer, scsi::DeviceRef& ref, platform::Clock& clock,
                      platform::Profile& profile, int32_t driveCount, settings::DriveOrder& order,
                      const ArrangementWindow& window) {
  // The order has a row per drive the window lists; a larger count would run past it.
  const int32_t drives = std::clamp<int32_t>(driveCount, 0, settings::kDriveRows);
  std::array<bool, settings::kDriveRows> pending;
  pending.fill(true);
  int32_t placed = 0;
  for (int scans = 1;; ++scans) {
    for (int32_t device = 0; device < drives; ++device) {
      if (!pending[device]) continue;
      layer.OpenRef(ref, device);
      // Only a failed command with the sense of an empty drive whose tray is closed is the
      // operator's cue: after a good answer the ASPI sense area may still hold an earlier one.
      const bool ready = scsi::TestUnitReady(layer, ref) == 1;
      if (!ready && layer.GetSenseCode(ref) == scsi::kMediumNotPresent) {
        order[placed] = device;
        settings::WriteDrivePriority(profile, placed, device);
        pending[device] = false;
        window.placed(placed);
        ++placed;
      }
      layer.CloseRef(ref);
    }
    if (placed == drives || scans >= kArrangementScans) break;
    clock.Sleep(kArrangementScanPauseMs);
    // Stopped meanwhile: no more commands; the writes below end it as a time-out would.
    if (!window.keepScanning()) break;
  }
  for (int row = drives; row < settings::kDriveRows; ++row) settings::WriteDrivePriority(profile, row, -1);
  settings::WriteTotalDrive(profile, placed);
  return placed;
}

}  // namespace service
