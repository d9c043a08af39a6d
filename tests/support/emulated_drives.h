// Test equipment shared by the suites: the two back ends of an emulated machine and drives put on
// either of them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "emu/drive.h"
#include "emu/machine.h"
#include "platform/scsi_records.h"

namespace test_support {

// Aspi98Se: the ASPI back end on a machine that carries out 98 SE's documented calls (its consumer
// family), not only its platform id.
enum class BackEnd { PassThrough, Aspi, Aspi98Se };

inline std::string BackEndName(BackEnd backEnd) {
  switch (backEnd) {
    case BackEnd::PassThrough:
      return "PassThrough";
    case BackEnd::Aspi:
      return "Aspi";
    case BackEnd::Aspi98Se:
      return "Aspi98Se";
  }
  return "";
}

// Drive i of `configs` is device index i: letter E + i on the pass-through back end, adapter i / 8,
// target i % 8 on the ASPI back ends (which this also selects). Drives come before the SCSI layer,
// which enumerates them when it is made.
inline std::vector<std::shared_ptr<emu::Drive>> AttachDrives(emu::Machine& machine, BackEnd backEnd,
                                                             const std::vector<emu::DriveConfig>& configs) {
  std::vector<std::shared_ptr<emu::Drive>> drives;
  if (backEnd == BackEnd::Aspi) machine.SetPlatformId(platform::kPlatformWin32Windows);
  if (backEnd == BackEnd::Aspi98Se) machine.SetFamily(emu::Machine::Family::Consumer);
  for (std::size_t i = 0; i < configs.size(); ++i) {
    auto drive = std::make_shared<emu::Drive>(configs[i]);
    if (backEnd == BackEnd::PassThrough) {
      machine.AddLetter(static_cast<char>('E' + i), platform::kDriveCdrom, drive);
    } else {
      if (i % 8 == 0) machine.AddAspiAdapter();
      machine.AddAspiTarget(static_cast<int>(i / 8), static_cast<int>(i % 8), platform::kDeviceTypeCdrom, drive);
    }
    drives.push_back(drive);
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
