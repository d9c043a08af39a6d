// Test equipment: puts emulated drives on either back end of an emulated machine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emu/drive.h"
#include "emu/machine.h"
#include "platform/scsi_records.h"

namespace scsi::testing {

enum class BackEnd { PassThrough, Aspi };

inline std::string BackEndName(BackEnd backEnd) { return backEnd == BackEnd::PassThrough ? "PassThrough" : "Aspi"; }

// Drive i answers INQUIRY with product "DRIVE i"; on the pass-through back end it is letter E + i,
// on the ASPI back end adapter i / 8, target i % 8.
inline std::vector<std::shared_ptr<emu::Drive>> AttachDrives(emu::Machine& machine, BackEnd backEnd, int count) {
  std::vector<std::shared_ptr<emu::Drive>> drives;
  if (backEnd == BackEnd::Aspi) machine.SetPlatformId(platform::kPlatformWin32Windows);
  for (int i = 0; i < count; ++i) {
    emu::DriveConfig config;
    config.product = "DRIVE " + std::to_string(i);
    config.seed = static_cast<uint32_t>(i + 1);
    auto drive = std::make_shared<emu::Drive>(config);
    if (backEnd == BackEnd::PassThrough) {
      machine.AddLetter(static_cast<char>('E' + i), platform::kDriveCdrom, drive);
    } else {
      if (i % 8 == 0) machine.AddAspiAdapter();
      machine.AddAspiTarget(i / 8, i % 8, platform::kDeviceTypeCdrom, drive);
    }
    drives.push_back(drive);
  }
  return drives;
}

}  // namespace scsi::testing
