// The settings read once while the main window is created: the stored checksum, the row order
// (DriveOrder), the start-up directory and the firmware path. The window owns the result.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/profile.h"
#include "settings/settings_file.h"

namespace settings {

// Row to device index, one entry per drive-list row.
using DriveOrder = std::array<int32_t, kDriveRows>;

DriveOrder IdentityDriveOrder();

// Called for each row that the stored arrangement moves to another device, with that device, so the
// window can refresh the row's caption from it.
using RefreshRowCaption = std::function<void(int row, int32_t deviceIndex)>;

struct StartupSettings {
  uint16_t storedChecksum = 0;
  DriveOrder driveOrder = IdentityDriveOrder();
  std::string startupDirectory;
  std::string firmwarePath;
};

// [FLASHROM] CHECKSUM (default 0) cut to its low 16 bits.
uint16_t ReadStoredChecksum(platform::Profile& profile);

// Gives each of the first driveCount devices (at most the number of rows) exactly one of the first
// driveCount rows, so that no drive found is left out of the list and none stands in two rows: in
// row order a row keeps its device when that is one of those devices and no earlier row holds it;
// each row left then takes the lowest device that no row holds. Rows from driveCount on keep theirs
// (they stay hidden). Returns the rows whose device changed.
std::array<bool, kDriveRows> CompleteDriveOrder(DriveOrder& order, int driveCount);

// The stored arrangement when TOTAL_DRIVE equals driveCount; else the identity order and no row key
// is read. A [DRIVE_PRIORITY] value counts as -1 unless its text is a decimal number and, for the
// rows, a device index below driveCount (and below the number of rows): such a row keeps its own
// device and its caption. The result is completed (CompleteDriveOrder), so a file that names one
// device twice, or leaves a device out, still gives every drive found one row. Refreshed: every
// row with a stored device, and every row the completion moved to another device than its own.
DriveOrder ReadDriveOrder(platform::Profile& profile, int driveCount, const RefreshRowCaption& refreshRowCaption);

// The current directory; empty when the platform cannot give it in 260 bytes, which makes the
// loader's file name plain ".\FLASH.INI", the same file while the current directory is unchanged.
std::string ReadStartupDirectory(platform::Profile& profile);

// [FIRMWARE] PATH (default ""), whole.
std::string ReadFirmwarePath(platform::Profile& profile);

// The four reads above in their start-up order: the window's one reader of its start-up settings.
StartupSettings ReadStartupSettings(platform::Profile& profile, int driveCount,
                                    const RefreshRowCaption& refreshRowCaption);

}  // namespace settings
