// Test equipment for the flash worker: emulated drives on either back end, the SCSI layer over
// them, a drive table, and a clock per worker that records that worker's sleeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emu/drive.h"
#include "emu/machine.h"
#include "emulated_drives.h"
#include "scripted_clock.h"
#include "platform/threads.h"
#include "scsi/scsi_layer.h"
#include "update/aspithread.h"
#include "update/drive_table.h"
#include "update/firmware_image.h"

namespace update::testing {

using test_support::EmulatedBackEnd;
using test_support::BackEndName;

// The sleeps of a job that reached the block loop: a 10 ms pause after each accepted block, then
// the one-minute restart wait in two parts.
inline std::vector<uint32_t> LoopSleeps(int acceptedBlocks) {
  std::vector<uint32_t> sleeps(static_cast<std::size_t>(acceptedBlocks), kBlockPauseMs);
  sleeps.push_back(kRestartWaitFirstMs);
  sleeps.push_back(kRestartWaitRestMs);
  return sleeps;
}

inline emu::DriveConfig Model(std::string vendor, std::string product, uint32_t seed = 1) {
  emu::DriveConfig config;
  config.vendor = std::move(vendor);
  config.product = std::move(product);
  config.seed = seed;
  return config;
}

// The name a worker publishes for a drive: INQUIRY's blank-padded vendor and product, trimmed.
inline std::string ExpectedName(const emu::DriveConfig& config) {
  std::string name = config.vendor;
  name.resize(8, ' ');
  name += config.product;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// Drives at device indices 0, 1, ...: letters E, F, ... or adapter 0 targets 0, 1, ... (adapter 1
// from the ninth on). The layer enumerates them when it is made, so drives come first.
class Rig {
 public:
  Rig(const EmulatedBackEnd& backEnd, const std::vector<emu::DriveConfig>& configs)
      : drives(test_support::AttachDrives(machine, backEnd, configs)),
        layer(std::make_unique<scsi::ScsiLayer>(machine.Platform())) {}

  // A worker on device `index` with its own clock, which records its sleeps.
  struct Worker {
    std::unique_ptr<test_support::ScriptedClock> clock;
    std::unique_ptr<AspiExec> exec;
  };
  Worker MakeWorker(int32_t index, const FirmwareImage& image = kEmbeddedImage) {
    Worker worker;
    worker.clock = std::make_unique<test_support::ScriptedClock>(machine);
    worker.exec = std::make_unique<AspiExec>(*layer, *worker.clock, table, image);
    worker.exec->SetDeviceIndex(index);
    return worker;
  }

  emu::Machine machine;
  std::vector<std::shared_ptr<emu::Drive>> drives;
  std::unique_ptr<scsi::ScsiLayer> layer;
  DriveTable table;
};

inline std::vector<uint8_t> Opcodes(const std::vector<emu::CommandRecord>& log) {
  std::vector<uint8_t> opcodes;
  for (const auto& record : log) opcodes.push_back(record.cdb[0]);
  return opcodes;
}

// The opcodes of a job that flashes: INQUIRY, TEST UNIT READY, eject, then `blocks` block writes.
inline std::vector<uint8_t> FlashOpcodes(int blocks) {
  std::vector<uint8_t> opcodes = {0x12, 0x00, 0x1B};
  opcodes.insert(opcodes.end(), static_cast<std::size_t>(blocks), 0xFA);
  return opcodes;
}

// Whether the drive's flash starts with the image's blocks.
inline bool HoldsImage(const emu::Drive& drive, const FirmwareImage& image = kEmbeddedImage) {
  const std::vector<uint8_t> flash = drive.Flash();
  const std::size_t bytes = static_cast<std::size_t>(image.blockCount) * kBlockSize;
  return flash.size() >= bytes && std::equal(flash.begin(), flash.begin() + bytes, image.payload);
}

// The flash ROM checksum computed straight from the drive's flash, as the oracle.
inline uint16_t FlashSum(const std::vector<uint8_t>& flash) {
  uint16_t sum = 0;
  for (std::size_t i = 0; i < flash.size(); ++i) {
    if (i < 0x1F8000 || i >= 0x1F8080) sum = static_cast<uint16_t>(sum + flash[i]);
  }
  return sum;
}

}  // namespace update::testing
