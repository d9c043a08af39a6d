// Turns a parsed configuration into the emulated ASPI manager's adapters, targets and drives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emu/aspi_manager.h"
#include "emu/dll/emu_config.h"
#include "emu/drive.h"

namespace emu::dll {

struct NamedTarget {
  std::string name;
  int adapter;
  int target;
  std::shared_ptr<Drive> drive;  // null for a [device] section
};

// The emulated drive of a [drive] section, with its medium script, faults and latencies; startMs
// is the origin of "medium-at" in the host's time.
std::shared_ptr<Drive> MakeDrive(const TargetSpec& entry, uint64_t startMs);

// Adds every adapter and target of the configuration to manager and sets its options. startMs is
// the manager's start in the host's time, the origin of "medium-at".
std::vector<NamedTarget> SetUpManager(const LibraryConfig& config, AspiManager& manager, uint64_t startMs);

// The name a command log line gives a target: its section name, or aNtM when no section names it.
std::string TargetName(const std::vector<NamedTarget>& targets, int adapter, int target);

}  // namespace emu::dll
