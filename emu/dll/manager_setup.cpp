// Building the emulated manager from the configuration: adapters first, then each target with its
// drive, the drive's medium script, faults and latencies.
#include "emu/dll/manager_setup.h"

namespace emu::dll {
namespace {

Drive::AnswerFault::Kind AnswerKind(FaultSpec::Kind kind) {
  using K = Drive::AnswerFault::Kind;
  switch (kind) {
    case FaultSpec::Kind::Never: return K::NeverAnswers;
    case FaultSpec::Kind::Lose: return K::NoSense;
    case FaultSpec::Kind::Late: return K::AnswersLate;
    case FaultSpec::Kind::Vanish: return K::Disappears;
    case FaultSpec::Kind::Short: return K::ShortTransfer;
    case FaultSpec::Kind::Fail:
    case FaultSpec::Kind::FailVendor: break;
  }
  return K::CheckCondition;
}

void Inject(Drive& drive, const FaultSpec& fault) {
  const bool answerOnly = fault.carriedOut || (fault.kind != FaultSpec::Kind::Fail &&
                                               fault.kind != FaultSpec::Kind::FailVendor &&
                                               fault.kind != FaultSpec::Kind::Never);
  if (answerOnly) {
    Drive::AnswerFault f;
    f.opcode = fault.opcode;
    f.subcode = fault.subcode;
    f.nth = fault.nth;
    f.kind = AnswerKind(fault.kind);
    f.sense = fault.sense;
    f.lateMs = fault.lateMs;
    f.afterEffect = fault.carriedOut;
    f.movedBytes = fault.movedBytes;
    drive.Inject(f);
    return;
  }
  switch (fault.kind) {
    case FaultSpec::Kind::Fail:
      if (fault.nth == 0) {
        drive.FailAll(fault.opcode, fault.sense);
      } else {
        drive.FailNth(fault.opcode, fault.nth, fault.sense);
      }
      break;
    case FaultSpec::Kind::FailVendor:
      drive.FailNthVendor(fault.opcode, static_cast<uint8_t>(fault.subcode), fault.nth, fault.sense);
      break;
    default: drive.NeverCompleteNth(fault.opcode, fault.nth); break;
  }
}

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
  for (const FaultSpec& fault : entry.faults) Inject(drive, fault);
  for (const LatencySpec& latency : entry.latencies) {
    if (latency.perOpcode) {
      drive.SetOpcodeLatencyMs(latency.opcode, latency.ms);
    } else {
      drive.SetLatencyMs(latency.ms);
    }
  }
}

}  // namespace

std::shared_ptr<Drive> MakeDrive(const TargetSpec& entry, uint64_t startMs) {
  auto drive = std::make_shared<Drive>(entry.drive);
  Script(*drive, entry, startMs);
  return drive;
}

std::vector<NamedTarget> SetUpManager(const LibraryConfig& config, AspiManager& manager, uint64_t startMs) {
  manager.SetOptions(config.options);
  for (int i = config.AdapterCount(); i > 0; --i) manager.AddAdapter();
  std::vector<NamedTarget> targets;
  for (const TargetSpec& entry : config.targets) {
    std::shared_ptr<Drive> drive = entry.hasDrive ? MakeDrive(entry, startMs) : nullptr;
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
