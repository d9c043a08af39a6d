// The flash worker's job, in the order the drive family needs: identify, gate by model, check the
// medium, eject, write the blocks, wait for the restart, read the checksum back, close.
#include "update/aspithread.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "scsi/commands.h"
#include "scsi/inquiry.h"
#include "scsi/scsi_layer.h"
#include "scsi/sense.h"
#include "update/flash_checksum.h"

namespace update {
namespace {

constexpr uint8_t kInquiryLength = 32;
// The job's INQUIRY buffer, with room for the NUL after the data; cleared before each job, so a
// drive that answers short or not at all leaves zeros.
constexpr std::size_t kInquiryBufferSize = 116;
// How much of each identification the model gate compares: the vendor name, the gated
// product's family prefix, and the flash model's whole product name.
constexpr std::size_t kVendorCompared = 5;
constexpr std::size_t kGateProductCompared = 7;
constexpr std::size_t kFlashProductCompared = 14;
constexpr uint32_t kReadyTimeoutMs = 50000;
constexpr uint8_t kEject = 2;  // START STOP UNIT: load/eject set, start clear
constexpr uint8_t kParameterCode = 0xAE;
constexpr uint16_t kParameter = 0x005F;
constexpr uint16_t kParameterLength = 4;
constexpr uint8_t kBlockMode = 1;

// The vendor and product text from INQUIRY byte 8 up to the first NUL, without leading and
// trailing blanks and control characters.
std::string DriveName(const uint8_t* inquiry) {
  const char* text = reinterpret_cast<const char*>(inquiry + scsi::kInquiryVendorOffset);
  std::size_t end =
      static_cast<std::size_t>(std::find(text, text + (kInquiryLength - scsi::kInquiryVendorOffset), '\0') - text);
  std::size_t begin = 0;
  // DEL is a control character too.
  auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7F'; };
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return std::string(text + begin, end - begin);
}

bool FieldStartsWith(const uint8_t* field, const char* model, std::size_t length) {
  return std::strncmp(reinterpret_cast<const char*>(field), model, length) == 0;
}

// The model gate's verdict on a drive's INQUIRY data.
enum class ModelGate { NeedsParameter, FlashModel, WrongDrive };

// The gate in two parts: a drive of the gated product (which needs the parameter write first) on
// a build whose image is for the build's model, else the flash model itself, else a wrong drive.
ModelGate PassModelGate(const uint8_t* inquiry) {
  const uint8_t* vendor = inquiry + scsi::kInquiryVendorOffset;
  const uint8_t* product = inquiry + scsi::kInquiryProductOffset;
  const ModelStrings& models = kModelStrings;
  if (FieldStartsWith(vendor, models.gateVendor, kVendorCompared) &&
      FieldStartsWith(product, models.gateProductPrefix, kGateProductCompared) &&
      std::strcmp(models.imageModel, models.buildModel) == 0) {
    return ModelGate::NeedsParameter;
  }
  if (FieldStartsWith(vendor, models.flashVendor, kVendorCompared) &&
      FieldStartsWith(product, models.flashProduct, kFlashProductCompared)) {
    return ModelGate::FlashModel;
  }
  return ModelGate::WrongDrive;
}

// The verdict on a read-back: judged only against a reference, and only a whole sum is compared.
Verification JudgeReadBack(const std::optional<uint16_t>& reference, bool complete, uint16_t checksum) {
  if (!reference) return Verification::NoReference;
  if (!complete) return Verification::Incomplete;
  return checksum == *reference ? Verification::Match : Verification::Mismatch;
}

}  // namespace

AspiExec::AspiExec(scsi::ScsiLayer& layer, platform::Clock& clock, DriveTable& drives,
                   const FirmwareImage& image)
    : platform::TThread(true), layer_(layer), clock_(clock), drives_(drives), image_(image) {}

AspiExec::~AspiExec() {
  Terminate();
  { std::lock_guard lock(goMutex_); }  // wakes a worker between its go check and its wait
  goChanged_.notify_all();
  WaitFor();
}

bool AspiExec::StartJob(int32_t entryIndex, bool checksumWanted, std::optional<uint16_t> reference) {
  if (Go()) return false;
  WaitUntilSuspended();
  if (Finished()) return false;
  entryIndex_.store(entryIndex, std::memory_order_release);
  checksumWanted_.store(checksumWanted || reference.has_value(), std::memory_order_release);
  reference_ = reference;
  {
    std::lock_guard lock(goMutex_);
    go_.store(1, std::memory_order_release);
  }
  goChanged_.notify_all();
  Resume();
  return true;
}

void AspiExec::WaitJobEnd() const {
  std::unique_lock lock(goMutex_);
  goChanged_.wait(lock, [this] { return go_.load(std::memory_order_acquire) == 0; });
}

bool AspiExec::WaitForGo() {
  std::unique_lock lock(goMutex_);
  goChanged_.wait(lock, [this] { return go_.load(std::memory_order_acquire) != 0 || Terminated(); });
  return !Terminated();
}

void AspiExec::Execute() {
  while (WaitForGo()) {
    try {
      RunJob();
    } catch (...) {
      // A job that cannot finish (an allocation failing, say) has failed; it must still end
      // like any other, or the window would wait for this drive for ever.
      SetOutcome(kFlashFailed);
      lock_.Release();
      layer_.CloseRef(ref_);
    }
    {
      std::lock_guard lock(goMutex_);
      go_.store(0, std::memory_order_release);
    }
    goChanged_.notify_all();
    Suspend();
  }
}

void AspiExec::RunJob() {
  const int32_t entry = entryIndex_.load(std::memory_order_acquire);
  record_ = JobRecord{};
  record_.blockCount = image_.blockCount;
  // Until the read-back judges it: a job that ends before it has not verified the drive.
  if (reference_) record_.verification = Verification::NotRead;
  const uint32_t startSeconds = platform::TimeOfDaySeconds(clock_);
  layer_.OpenRef(ref_, deviceIndex_.load(std::memory_order_acquire));

  // Cleared first: the name of a drive that does not answer is empty, never an earlier one.
  uint8_t inquiry[kInquiryBufferSize] = {};
  if (Identify(entry, inquiry)) FlashDrive(entry, inquiry);
  lock_.Release();
  layer_.CloseRef(ref_);
  // Modulo one day: a job may run across midnight.
  record_.durationSeconds = platform::SecondsSince(clock_, startSeconds);
}

// A drive that cannot be opened, or that does not tell what it is, has failed: nothing is known
// of its model, so it is not refused as a wrong one, and nothing is sent to it.
bool AspiExec::Identify(int32_t entry, uint8_t* inquiry) {
  if (layer_.OpenFailed(ref_)) {
    drives_.SetName(entry, "");
    record_.step = FailStep::Open;
    record_.osError = layer_.OpenError(ref_);
    SetOutcome(kFlashFailed);
    return false;
  }
  const bool answered = scsi::Inquiry(layer_, ref_, inquiry, kInquiryLength) != 0;
  inquiry[kInquiryLength] = 0;
  drives_.SetName(entry, answered ? DriveName(inquiry) : std::string());
  if (!answered) {
    record_.step = FailStep::Identification;
    record_.sense = layer_.GetSenseCode(ref_);
    SetOutcome(kFlashFailed);
  }
  return answered;
}

// The job after INQUIRY, step by step; each step that ends the job early says so by its result.
void AspiExec::FlashDrive(int32_t entry, const uint8_t* inquiry) {
  const ModelGate gate = PassModelGate(inquiry);
  if (gate == ModelGate::WrongDrive) {
    RefuseDrive(entry);
    return;
  }
  // Before anything is written: the parameter write is the first command that changes the drive.
  if (!LockDrive()) return;
  ParameterWrite parameter;
  if (gate == ModelGate::NeedsParameter) parameter = WriteBlockParameter();
  if (!AwaitReadiness()) return;
  EjectMedium();
  SetOutcome(kFlashDone);
  WriteBlocks(parameter);
  WaitForRestart();
  if (Outcome() == kFlashDone && checksumWanted_.load(std::memory_order_acquire)) ReadChecksumBack();
}

AspiExec::ParameterWrite AspiExec::WriteBlockParameter() {
  // This product takes block writes only after the parameter write; a failed first attempt is
  // repeated once, and the blocks will tell whether it took.
  const uint8_t zero[kParameterLength] = {};
  ParameterWrite result;
  if (!scsi::WriteParameter(layer_, ref_, kParameterCode, kParameter, kParameterLength, zero) &&
      !scsi::WriteParameter(layer_, ref_, kParameterCode, kParameter, kParameterLength, zero)) {
    result.failed = true;
    result.sense = layer_.GetSenseCode(ref_);
  }
  return result;
}

void AspiExec::RefuseDrive(int32_t entry) {
  SetOutcome(kFlashWrongDrive);
  drives_.SetWrong(entry, 1);  // after the name: the window reads the flag, then the name
}

bool AspiExec::AwaitReadiness() {
  // Only an empty drive with a known tray state stops the job; any other failure (no medium
  // without a qualifier, no sense at all) lets it go on.
  if (!scsi::TestUnitReadyTimed(layer_, ref_, kReadyTimeoutMs) &&
      scsi::IsNoMediumWithQualifier(layer_.GetSenseCode(ref_))) {
    record_.step = FailStep::Readiness;
    record_.sense = layer_.GetSenseCode(ref_);
    SetOutcome(kFlashFailed);
    return false;
  }
  return true;
}

bool AspiExec::LockDrive() {
  if (lock_.Take(layer_, ref_) != scsi::LockResult::HeldByOther) return true;
  record_.step = FailStep::Locked;
  record_.lockOwner = lock_.Owner();
  SetOutcome(kFlashFailed);
  return false;
}

void AspiExec::EjectMedium() { scsi::StartStopUnit(layer_, ref_, kEject, 0); }

void AspiExec::WriteBlocks(const ParameterWrite& parameter) {
  // The record's block count is 1..64 by construction; the payload bound is kept regardless.
  const int32_t blockCount = image_.blockCount;
  const int32_t blocksInPayload = std::min(blockCount, kMaxBlocks);
  for (int32_t i = 0; i < blocksInPayload; ++i) {
    scsi::Transfer transfer;
    if (scsi::WriteFirmwareBlock(layer_, ref_, ImageBlock(image_, i), image_.checkWordA,
                                 image_.checkWordB, i, blockCount, kBlockMode, &transfer)) {
      clock_.Sleep(kBlockPauseMs);
      continue;
    }
    // A block that did not go across whole has failed, whatever the drive's status said.
    if (transfer.cutShort || !RestartedOnLastBlock(i == blockCount - 1)) {
      FailBlock(i, parameter);
      record_.cutShort = transfer.cutShort;
      if (transfer.cutShort) record_.moved = transfer.moved;
    }
    return;
  }
}

bool AspiExec::RestartedOnLastBlock(bool lastBlock) {
  // UNIT ATTENTION, power on or reset, in answer to the last block: the drive checked the whole
  // image and restarted on it. The same answer to an earlier block is a reset in the middle of
  // the write: the drive cannot hold an image it has not received, so that is a failure.
  // Byte 2 is compared whole, flag bits included; no device has no sense.
  return lastBlock && scsi::IsPowerOnOrReset(layer_.GetSenseCode(ref_));
}

void AspiExec::FailBlock(int32_t block, const ParameterWrite& parameter) {
  SetOutcome(kFlashFailed);
  // A product that takes no block before its parameter write fails the first block when both
  // parameter writes failed; the log names the cause, not its consequence.
  const bool becauseOfParameter = block == 0 && parameter.failed;
  record_.step = becauseOfParameter ? FailStep::ParameterWrite : FailStep::Block;
  record_.block = block + 1;
  record_.sense = becauseOfParameter ? parameter.sense : layer_.GetSenseCode(ref_);
}

void AspiExec::WaitForRestart() {
  clock_.Sleep(kRestartWaitFirstMs);
  clock_.Sleep(kRestartWaitRestMs);
}

void AspiExec::ReadChecksumBack() {
  bool complete = false;
  const uint16_t checksum = FlashChecksumRetrying(layer_, ref_, &complete);
  checksum_.store(checksum, std::memory_order_release);
  record_.checksumRead = true;
  record_.checksumComplete = complete;
  record_.checksum = checksum;
  record_.verification = JudgeReadBack(reference_, complete, checksum);
  // An incomplete read is recorded with its sense whether or not a reference judges it; a whole
  // read that differs left no sense (0).
  if (!complete) {
    record_.step = FailStep::Verification;
    record_.sense = layer_.GetSenseCode(ref_);
  } else if (record_.verification == Verification::Mismatch) {
    record_.step = FailStep::Verification;
  }
}

}  // namespace update
