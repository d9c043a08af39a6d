// The emulated drive's command intake (logging, faults, unit attentions, restart) and its
// scripting and observation methods. The command handlers are in drive_commands.cpp.
#include "emu/drive.h"

#include <algorithm>
#include <stdexcept>

#include "emu/old_firmware.h"
#include "emu/scsi_codes.h"

namespace emu {
namespace {

using Kind = Drive::AnswerFault::Kind;

Drive::Result Fail(SenseTriple sense) {
  Drive::Result r;
  r.good = false;
  r.sense = FixedSense(sense);
  return r;
}

}  // namespace

Drive::Drive(DriveConfig config)
    : config_(std::move(config)), revision_(config_.revision), flash_(MakeOldFlash(config_.seed)) {}

Drive::Result Drive::Execute(const CommandRecord& cmd, uint8_t* data) {
  std::lock_guard lock(mutex_);
  if (gone_) {
    Result r;
    r.good = false;
    r.gone = true;
    return r;
  }
  log_.push_back(cmd);
  const uint8_t opcode = cmd.cdb[0];
  ++received_[opcode];
  ++subReceived_[{opcode, cmd.cdb[1]}];
  ApplyTimedMedium(cmd.atMs);

  const auto latency = opcodeLatencyMs_.find(opcode);
  const uint32_t latencyMs = latency != opcodeLatencyMs_.end() ? latency->second : latencyMs_;
  const AnswerFault* fault = FirstFault(Stage::Answer, cmd);
  if (fault != nullptr && fault->kind == Kind::ShortTransfer) {
    if (cmd.direction != kDirNone && data != nullptr && fault->movedBytes < cmd.transferLength) {
      return ShortAnswer(cmd, data, fault->movedBytes, latencyMs);
    }
    fault = nullptr;  // nothing to cut short
  }
  Result untouched;
  untouched.latencyMs = latencyMs;
  if (fault != nullptr && !fault->afterEffect && fault->kind != Kind::AnswersLate) return LostAnswer(*fault, untouched);
  // A hang leaves the command undone, ahead of the answer faults that let it be carried out.
  if (const AnswerFault* hang = FirstFault(Stage::Hang, cmd)) return LostAnswer(*hang, untouched);

  Result r = Answer(cmd, data);
  r.latencyMs = latencyMs;
  if (opcode == kOpTestUnitReady) {
    ++tursAnswered_;
    ApplyCountedMedium();
  }
  return fault != nullptr ? LostAnswer(*fault, r) : r;
}

// A data-out cut short never reaches the command (a block the drive did not get whole is not
// kept); a data-in is carried out in full by the drive, and only its first bytes go across.
Drive::Result Drive::ShortAnswer(const CommandRecord& cmd, uint8_t* data, uint32_t movedBytes, uint32_t latencyMs) {
  Result r;
  if (cmd.direction == kDirIn) {
    std::vector<uint8_t> whole(cmd.transferLength, 0);
    r = Answer(cmd, whole.data());
    if (!r.good) {
      r.latencyMs = latencyMs;
      return r;
    }
    std::copy(whole.begin(), whole.begin() + movedBytes, data);
  }
  r.latencyMs = latencyMs;
  r.shortTransfer = true;
  r.movedBytes = movedBytes;
  return r;
}

Drive::Result Drive::LostAnswer(const AnswerFault& fault, Result carriedOut) {
  Result r;
  r.good = false;
  r.latencyMs = carriedOut.latencyMs;
  switch (fault.kind) {
    case Kind::CheckCondition: r.sense = FixedSense(fault.sense); break;
    case Kind::NoSense: r.transportError = true; break;
    case Kind::NeverAnswers: r.neverCompletes = true; break;
    case Kind::AnswersLate:
      r = carriedOut;
      r.latencyMs = fault.lateMs;
      break;
    case Kind::Disappears:
      gone_ = true;
      r.gone = true;
      break;
    case Kind::ShortTransfer: break;  // handled before the command (ShortAnswer)
  }
  return r;
}

// Order of precedence: a scripted fault, then the unit attentions that SCSI reports to any
// command but INQUIRY, then the restart's busy time, then the command itself.
Drive::Result Drive::Answer(const CommandRecord& cmd, uint8_t* data) {
  if (const AnswerFault* refusal = FirstFault(Stage::Refusal, cmd)) return Fail(refusal->sense);
  const uint8_t opcode = cmd.cdb[0];
  if (opcode != kOpInquiry) {
    if (powerOnPending_) {
      powerOnPending_ = false;
      return Fail(kSensePowerOnReset);
    }
    if (medium_ == Medium::UnitAttention) {
      medium_ = Medium::Ready;
      return Fail(kSenseMediumChanged);
    }
    if (busy_ && cmd.atMs < busyUntilMs_) return Fail(kSenseBecomingReady);
  }
  switch (opcode) {
    case kOpInquiry: return Inquiry(cmd, data);
    case kOpTestUnitReady: return TestUnitReady();
    case kOpStartStopUnit: return StartStopUnit(cmd);
    case kOpVendor: return Vendor(cmd, data);
    case kOpWriteFirmwareBlock: return WriteFirmwareBlock(cmd, data);
    default: return Fail(kSenseInvalidOpcode);
  }
}

void Drive::Restart(const CommandRecord& cmd) {
  const std::vector<uint8_t>& image = receiver_.Image();
  const std::vector<uint8_t> perDrive(flash_.begin() + kPerDriveStart, flash_.begin() + kPerDriveEnd);
  // The image from offset 0, the rest erased, the drive's own identity bytes kept: every drive
  // updated with one image reads back one checksum.
  std::copy(image.begin(), image.end(), flash_.begin());
  std::fill(flash_.begin() + static_cast<std::ptrdiff_t>(image.size()), flash_.end(), uint8_t{0xFF});
  std::copy(perDrive.begin(), perDrive.end(), flash_.begin() + kPerDriveStart);
  if (config_.corruptAfterUpdate) flash_[kCorruptedFlashOffset] = 0x00;
  revision_ = config_.newRevision;
  ++restarts_;
  // The new firmware starts without the parameter the old one was given.
  parameterUnlocked_ = false;
  busy_ = true;
  busyUntilMs_ = cmd.atMs + config_.restartBusyMs;
  powerOnPending_ = !config_.restartAnswersLastBlock;
}

void Drive::ApplyTimedMedium(uint64_t atMs) {
  std::stable_sort(timedMedium_.begin(), timedMedium_.end(),
                   [](const TimedMedium& a, const TimedMedium& b) { return a.atMs < b.atMs; });
  auto due = timedMedium_.begin();
  while (due != timedMedium_.end() && due->atMs <= atMs) medium_ = (due++)->medium;
  timedMedium_.erase(timedMedium_.begin(), due);
}

void Drive::ApplyCountedMedium() {
  for (auto it = countedMedium_.begin(); it != countedMedium_.end();) {
    if (it->afterTurs <= tursAnswered_) {
      medium_ = it->medium;
      it = countedMedium_.erase(it);
    } else {
      ++it;
    }
  }
}

// nth counts the commands with the fault's opcode, and with its CDB byte 1 too when it names one.
const Drive::AnswerFault* Drive::FirstFault(Stage stage, const CommandRecord& cmd) const {
  const uint8_t opcode = cmd.cdb[0];
  for (const Fault& f : faults_) {
    const AnswerFault& what = f.what;
    if (f.stage != stage || what.opcode != opcode) continue;
    if (what.subcode >= 0 && what.subcode != cmd.cdb[1]) continue;
    if (what.nth == 0) return &what;
    const int count = what.subcode >= 0 ? subReceived_.at({opcode, cmd.cdb[1]}) : received_[opcode];
    if (count == what.nth) return &what;
  }
  return nullptr;
}

void Drive::Script(Stage stage, const AnswerFault& what) {
  std::lock_guard lock(mutex_);
  faults_.push_back({stage, what});
}

void Drive::Inject(const AnswerFault& fault) {
  if (fault.nth > 0) Script(Stage::Answer, fault);
}

bool Drive::Gone() const {
  std::lock_guard lock(mutex_);
  return gone_;
}

void Drive::SetMedium(Medium medium) {
  std::lock_guard lock(mutex_);
  medium_ = medium;
}

void Drive::ScheduleMedium(uint64_t atMs, Medium medium) {
  std::lock_guard lock(mutex_);
  timedMedium_.push_back({atMs, medium});
}

void Drive::ScheduleMediumAfterTestUnitReady(int count, Medium medium) {
  std::lock_guard lock(mutex_);
  countedMedium_.push_back({tursAnswered_ + std::max(count, 0), medium});
  ApplyCountedMedium();
}

void Drive::FailNth(uint8_t opcode, int nth, SenseTriple sense) {
  if (nth > 0) Script(Stage::Refusal, {opcode, -1, nth, Kind::CheckCondition, sense});
}

void Drive::FailNthVendor(uint8_t opcode, uint8_t subcode, int nth, SenseTriple sense) {
  if (nth > 0) Script(Stage::Refusal, {opcode, subcode, nth, Kind::CheckCondition, sense});
}

void Drive::FailAll(uint8_t opcode, SenseTriple sense) {
  Script(Stage::Refusal, {opcode, -1, 0, Kind::CheckCondition, sense});
}

void Drive::NeverCompleteNth(uint8_t opcode, int nth) {
  if (nth > 0) Script(Stage::Hang, {opcode, -1, nth, Kind::NeverAnswers});
}

void Drive::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

void Drive::SetLatencyMs(uint32_t ms) {
  std::lock_guard lock(mutex_);
  latencyMs_ = ms;
}

void Drive::SetOpcodeLatencyMs(uint8_t opcode, uint32_t ms) {
  std::lock_guard lock(mutex_);
  opcodeLatencyMs_[opcode] = ms;
}

std::vector<CommandRecord> Drive::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void Drive::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::vector<uint8_t> Drive::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

void Drive::WriteFlash(uint32_t offset, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  if (offset > flash_.size() || bytes.size() > flash_.size() - offset) {
    throw std::out_of_range("emu::Drive::WriteFlash beyond the 2 MiB flash");
  }
  std::copy(bytes.begin(), bytes.end(), flash_.begin() + offset);
}

void Drive::FillFlash(uint8_t value) {
  std::lock_guard lock(mutex_);
  std::fill(flash_.begin(), flash_.end(), value);
}

std::string Drive::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

int Drive::Restarts() const {
  std::lock_guard lock(mutex_);
  return restarts_;
}

Medium Drive::CurrentMedium() const {
  std::lock_guard lock(mutex_);
  return medium_;
}

std::vector<Drive::ParameterWrite> Drive::ParameterWrites() const {
  std::lock_guard lock(mutex_);
  return parameterWrites_;
}

bool Drive::ParameterUnlocked() const {
  std::lock_guard lock(mutex_);
  return parameterUnlocked_;
}

std::string Drive::Product() const { return config_.product; }

}  // namespace emu
