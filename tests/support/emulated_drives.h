// Test equipment shared by the suites: the back ends of an emulated machine, and drives put on
// whichever of them a test runs.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "emu/drive.h"
#include "emu/machine.h"
#include "platform/scsi_records.h"
#include "scsi/types.h"

namespace test_support {

// The back end the program takes on an emulated machine, and the machine's personality: with
// windows98Se it carries out 98 SE's documented calls (its consumer family), not only its
// platform id.
struct EmulatedBackEnd {
  scsi::BackEnd backEnd = scsi::BackEnd::PassThrough;
  bool windows98Se = false;

  bool PassThrough() const { return backEnd == scsi::BackEnd::PassThrough; }
  bool operator==(const EmulatedBackEnd&) const = default;
};

inline constexpr EmulatedBackEnd kPassThrough{scsi::BackEnd::PassThrough, false};
inline constexpr EmulatedBackEnd kAspi{scsi::BackEnd::Aspi, false};
inline constexpr EmulatedBackEnd kAspi98Se{scsi::BackEnd::Aspi, true};
inline constexpr std::array kBothBackEnds{kPassThrough, kAspi};
inline constexpr std::array kEveryBackEnd{kPassThrough, kAspi, kAspi98Se};

inline std::string BackEndName(const EmulatedBackEnd& backEnd) {
  if (backEnd.PassThrough()) return "PassThrough";
  return backEnd.windows98Se ? "Aspi98Se" : "Aspi";
}

// Gives the machine the family of the back end; made before the SCSI layer, which chooses its
// back end from the family when it is made.
inline void SelectFamily(emu::Machine& machine, const EmulatedBackEnd& backEnd) {
  if (backEnd.PassThrough()) return;
  if (backEnd.windows98Se) {
    machine.SetFamily(emu::Machine::Family::Consumer);
  } else {
    machine.SetPlatformId(platform::kPlatformWin32Windows);
  }
}

// Device index `index`: drive letter firstLetter + index on the pass-through back end, adapter
// index / 8, target index % 8 on the ASPI back end. Drives are attached in index order, before the
// SCSI layer, which enumerates them when it is made.
inline void AttachDrive(emu::Machine& machine, const EmulatedBackEnd& backEnd, std::size_t index,
                        const std::shared_ptr<emu::Drive>& drive, char firstLetter = 'E') {
  if (backEnd.PassThrough()) {
    machine.AddLetter(static_cast<char>(firstLetter + index), platform::kDriveCdrom, drive);
    return;
  }
  if (index % 8 == 0) machine.AddAspiAdapter();
  machine.AddAspiTarget(static_cast<int>(index / 8), static_cast<int>(index % 8), platform::kDeviceTypeCdrom, drive);
}

// Drive i of `configs` is device index i, on a machine of the back end's family.
inline std::vector<std::shared_ptr<emu::Drive>> AttachDrives(emu::Machine& machine, const EmulatedBackEnd& backEnd,
                                                             const std::vector<emu::DriveConfig>& configs) {
  SelectFamily(machine, backEnd);
  std::vector<std::shared_ptr<emu::Drive>> drives;
  for (std::size_t i = 0; i < configs.size(); ++i) {
    drives.push_back(std::make_shared<emu::Drive>(configs[i]));
    AttachDrive(machine, backEnd, i, drives.back());
  }
  return drives;
}

// `count` drives that answer INQUIRY with product "DRIVE i", each with its own flash contents.
inline std::vector<emu::DriveConfig> NumberedDrives(int count) {
  std::vector<emu::DriveConfig> configs;
  for (int i = 0; i < count; ++i) {
    emu::DriveConfig config;
    config.product = "DRIVE " + std::to_string(i);
    config.seed = static_cast<uint32_t>(i + 1);
    configs.push_back(config);
  }
  return configs;
}

}  // namespace test_support
