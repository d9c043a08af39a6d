// Building the emulated manager from the configuration: adapters first, then each target with its
// drive, the drive's medium script, faults and latencies.
#include "emu/dll/manager_setup.h"

namespace emu::dll {
namespace {

void Script(Drive& drive, const TargetSpec& entry, uint64_t startMs) {
  for (const MediumStep& step : entry.media) {
    switch (step.when) {
      case MediumStep::When::Now: drive.SetMedium(step.medium); break;
      case MediumStep::When::AfterTestUnitReady:
        drive.ScheduleMediumAfterTestUnitReady(static_cast<int>(step.value), step.medium);
        break;
      case MediumStep::When::AtMs: drive.ScheduleMedium(startMs + step.value, step.medium); break;
    }
  }
  for (const FaultSpec& fault : entry.faults) {
    switch (fault.kind) {
      case FaultSpec::Kind::Fail:
        if (fault.nth == 0) {
          drive.FailAll(fault.opcode, fault.sense);
        } else {
          drive.FailNth(fault.opcode, fault.nth, fault.sense);
        }
        break;
      case FaultSpec::Kind::FailVendor: drive.FailNthVendor(fault.opcode, fault.subcode, fault.nth, fault.sense); break;
      case FaultSpec::Kind::Never: drive.NeverCompleteNth(fault.opcode, fault.nth); break;
    }
  }
  for (const LatencySpec& latency : entry.latencies) {
    if (latency.perOpcode) {
      drive.SetOpcodeLatencyMs(latency.opcode, latency.ms);
    } else {
      drive.SetLatencyMs(latency.ms);
    }
  }
}

}  // namespace

std::vector<NamedTarget> SetUpManager(const LibraryConfig& config, AspiManager& manager, uint64_t startMs) {
  manager.SetOptions(config.options);
  for (int i = config.AdapterCount(); i > 0; --i) manager.AddAdapter();
  std::vector<NamedTarget> targets;
  for (const TargetSpec& entry : config.targets) {
    std::shared_ptr<Drive> drive;
    if (entry.hasDrive) {
      drive = std::make_shared<Drive>(entry.drive);
      Script(*drive, entry, startMs);
    }
    manager.AddTarget(entry.adapter, entry.target, entry.deviceType, drive);
    targets.push_back({entry.name, entry.adapter, entry.target, drive});
  }
  return targets;
}

std::string TargetName(const std::vector<NamedTarget>& targets, int adapter, int target) {
  for (const NamedTarget& t : targets) {
    if (t.adapter == adapter && t.target == target) return t.name;
  }
  return "a" + std::to_string(adapter) + "t" + std::to_string(target);
}

}  // namespace emu::dll
