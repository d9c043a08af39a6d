// The fuzz-only machine of answering drives (see answering_platform.h).
#include "answering_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "platform/cdrom_exclusive.h"

namespace fuzz {
namespace {

constexpr int kFirstDriveLetter = 'E' - 'A';
constexpr uint8_t kCheckCondition = 0x02;
constexpr uint8_t kSelectionTimeout = 0x11;  // SRB_HaStat: the target did not answer
constexpr std::size_t kMaxSense = 32;
constexpr platform::Module kAspiModule = 0x5000;

AnsweringPlatform* aspiMachine = nullptr;

uint32_t FLASH_CDECL SupportInfoEntry() { return aspiMachine->SupportInfo(); }
uint32_t FLASH_CDECL SendCommandEntry(void* srb) { return aspiMachine->SendCommand(srb); }

// Never empty, so that a command answered with CHECK CONDITION always shows as one in the record.
std::vector<uint8_t> Padded(const std::vector<uint8_t>& bytes, std::size_t size) {
  std::vector<uint8_t> out(std::max<std::size_t>(size, 1), 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), size), out.begin());
  return out;
}

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

std::vector<uint8_t> ByteReader::Bytes(std::size_t count) {
  const std::size_t available = std::min(count, size_ - std::min(at_, size_));
  if (available == 0) return {};
  std::vector<uint8_t> out(data_ + at_, data_ + at_ + available);
  at_ += available;
  return out;
}

Answer DecodeAnswer(ByteReader& bytes) {
  Answer answer;
  const uint8_t kind = bytes.Byte();
  answer.kind = static_cast<AnswerKind>((kind & 0x07) % kAnswerKinds);
  answer.aspiAtOnce = (kind & 0x80) != 0;
  answer.abort = static_cast<AbortOutcome>(((kind >> 3) & 0x3) % 3);
  switch (answer.kind) {
    case AnswerKind::Good:
      answer.data = bytes.Bytes(bytes.Byte());
      break;
    case AnswerKind::CheckCondition:
      answer.data = bytes.Bytes(bytes.Byte());
      answer.sense = bytes.Bytes(bytes.Byte() % (kMaxSense + 1));
      break;
    case AnswerKind::OtherStatus:
      answer.status = bytes.Byte();
      answer.targetStatus = bytes.Byte();
      answer.adapterStatus = bytes.Byte();
      break;
    default:
      break;
  }
  return answer;
}

bool AnsweredGood(scsi::BackEnd backEnd, const Answer& answer) {
  if (answer.kind == AnswerKind::Good) return true;
  if (answer.kind != AnswerKind::OtherStatus) return false;
  if (backEnd == scsi::BackEnd::PassThrough) return answer.status == 0;
  // A data overrun or underrun says the data phase did not move what was asked, whatever the
  // request's status: the command has failed.
  return answer.status == platform::kSsComp && answer.adapterStatus != kHostDataOverrunUnderrun;
}

AnsweringPlatform::AnsweringPlatform(scsi::BackEnd backEnd, int drives, AnswerSource answers)
    : backEnd_(backEnd), drives_(drives), answers_(std::move(answers)) {
  if (backEnd_ == scsi::BackEnd::Aspi) {
    Require(aspiMachine == nullptr, "two answering machines on the ASPI back end at once");
    aspiMachine = this;
  }
}

AnsweringPlatform::~AnsweringPlatform() {
  if (aspiMachine == this) aspiMachine = nullptr;
}

int AnsweringPlatform::GetVersionExA(platform::OsVersion* version) {
  version->platformId =
      backEnd_ == scsi::BackEnd::PassThrough ? platform::kPlatformWin32NT : platform::kPlatformWin32Windows;
  return 1;
}

uint32_t AnsweringPlatform::GetLogicalDrives() {
  uint32_t mask = 1u << ('C' - 'A');
  for (int i = 0; i < drives_; ++i) mask |= 1u << (kFirstDriveLetter + i);
  return mask;
}

uint32_t AnsweringPlatform::GetDriveTypeA(const char* rootPath) {
  Require(rootPath != nullptr && std::strlen(rootPath) == 3, "GetDriveTypeA without a root path");
  const int letter = rootPath[0] - 'A';
  if (letter == 'C' - 'A') return platform::kDriveFixed;
  if (letter >= kFirstDriveLetter && letter < kFirstDriveLetter + drives_) return platform::kDriveCdrom;
  return platform::kDriveNoRootDir;
}

platform::Handle AnsweringPlatform::CreateFileA(const char* path, uint32_t, uint32_t, uint32_t, uint32_t) {
  Require(path != nullptr, "CreateFileA without a path");
  if (std::strlen(path) != 6 || std::strncmp(path, "\\\\.\\", 4) != 0 || path[5] != ':') {
    return platform::kInvalidHandle;
  }
  const int device = path[4] - 'A' - kFirstDriveLetter;
  if (device < 0 || device >= drives_) return platform::kInvalidHandle;
  const platform::Handle handle = nextHandle_++;
  openHandles_.insert(handle);
  deviceOfHandle_[handle] = device;
  return handle;
}

// The SCSI layer only opens devices and sends requests on them.
uint32_t AnsweringPlatform::SetFilePointer(platform::Handle, int32_t, uint32_t) { Fail("SetFilePointer on a device"); }
int AnsweringPlatform::WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) { Fail("WriteFile on a device"); }

int AnsweringPlatform::CloseHandle(platform::Handle object) {
  Require(openHandles_.erase(object) == 1, "CloseHandle of a handle that is not open");
  return 1;
}

int AnsweringPlatform::ReadFile(platform::Handle, void*, uint32_t, uint32_t*) {
  Fail("ReadFile on the drives' machine");
}

uint32_t AnsweringPlatform::GetFileSize(platform::Handle) { Fail("GetFileSize on the drives' machine"); }

Received& AnsweringPlatform::Take(int device, const uint8_t* cdb, uint8_t direction, uint32_t length) {
  Received received;
  received.device = device;
  std::memcpy(received.cdb.data(), cdb, received.cdb.size());
  received.direction = direction;
  received.length = length;
  received.answer = answers_ ? answers_(device, received.cdb, length) : Answer{};
  record_.push_back(std::move(received));
  return record_.back();
}

void AnsweringPlatform::SendData(Received& received, const void* buffer) {
  if (received.direction != scsi::kDirOut || received.length == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  received.dataOut.assign(bytes, bytes + received.length);
}

void AnsweringPlatform::ReceiveData(Received& received, void* buffer) {
  if (received.direction != scsi::kDirIn) return;
  const std::size_t count = std::min<std::size_t>(received.answer.data.size(), received.length);
  if (count > 0) std::memcpy(buffer, received.answer.data.data(), count);
}

int AnsweringPlatform::DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer,
                                       uint32_t inSize, void* outBuffer, uint32_t outSize,
                                       uint32_t* bytesReturned) {
  if (openHandles_.count(device) == 0) return 0;  // as the system answers an invalid handle
  // An adapter that does not tell its capabilities: the layer must assume the strictest alignment.
  if (ioControlCode == platform::kIoctlScsiGetCapabilities) return 0;
  // The exclusive lock exists from Vista on; these drives answer as an earlier system does.
  if (ioControlCode == platform::kIoctlCdromExclusiveAccess) return 0;
  Require(ioControlCode == platform::kIoctlScsiPassThroughDirect, "DeviceIoControl with another code");
  Require(inBuffer != nullptr && inBuffer == outBuffer && inSize == sizeof(platform::PassThroughRequest) &&
              outSize == inSize,
          "the pass-through request block is not one 80-byte block in and out");
  auto& request = *static_cast<platform::PassThroughRequest*>(inBuffer);
  platform::ScsiPassThroughDirect& sptd = request.sptd;
  Require(sptd.Length == sizeof sptd, "SCSI_PASS_THROUGH_DIRECT Length");
  Require(sptd.SenseInfoOffset + std::size_t{sptd.SenseInfoLength} <= outSize, "sense beyond the request block");
  Require(sptd.DataTransferLength == 0 || sptd.DataBuffer != nullptr, "a transfer without a buffer");
  const uint8_t direction = sptd.DataIn == platform::kScsiIoctlDataIn    ? scsi::kDirIn
                            : sptd.DataIn == platform::kScsiIoctlDataOut ? scsi::kDirOut
                                                                         : scsi::kDirNone;
  Received& received = Take(deviceOfHandle_.at(device), sptd.Cdb, direction, sptd.DataTransferLength);
  SendData(received, sptd.DataBuffer);
  if (bytesReturned != nullptr) *bytesReturned = 0;
  const Answer& answer = received.answer;
  switch (answer.kind) {
    case AnswerKind::Good:
      ReceiveData(received, sptd.DataBuffer);
      sptd.ScsiStatus = 0;
      break;
    case AnswerKind::CheckCondition: {
      ReceiveData(received, sptd.DataBuffer);
      sptd.ScsiStatus = kCheckCondition;
      received.senseWritten = Padded(answer.sense, sptd.SenseInfoLength);
      std::memcpy(reinterpret_cast<uint8_t*>(&request) + sptd.SenseInfoOffset, received.senseWritten.data(),
                  sptd.SenseInfoLength);
      break;
    }
    case AnswerKind::OtherStatus:
      sptd.ScsiStatus = answer.status;
      break;
    default:
      return 0;  // the port driver gave up: no status, no sense
  }
  if (bytesReturned != nullptr) *bytesReturned = outSize;
  return 1;
}

platform::Module AnsweringPlatform::LoadLibraryA(const char* fileName) {
  if (backEnd_ != scsi::BackEnd::Aspi || fileName == nullptr || strcasecmp(fileName, "WNASPI32.DLL") != 0) return 0;
  return kAspiModule;
}

void* AnsweringPlatform::GetProcAddress(platform::Module module, const char* procName) {
  Require(module == kAspiModule && procName != nullptr, "GetProcAddress on no library");
  if (std::strcmp(procName, "GetASPI32SupportInfo") == 0) return reinterpret_cast<void*>(&SupportInfoEntry);
  if (std::strcmp(procName, "SendASPI32Command") == 0) return reinterpret_cast<void*>(&SendCommandEntry);
  return nullptr;
}

int AnsweringPlatform::FreeLibrary(platform::Module module) {
  Require(module == kAspiModule, "FreeLibrary of no library");
  return 1;
}

uint32_t AnsweringPlatform::SupportInfo() { return uint32_t{platform::kSsComp} << 8 | 1; }

uint32_t AnsweringPlatform::SendCommand(void* srb) {
  Require(srb != nullptr, "SendASPI32Command without a request");
  const uint8_t command = *static_cast<uint8_t*>(srb);
  if (command == platform::kScGetDevType) {
    auto& query = *static_cast<platform::SrbGetDevType*>(srb);
    const bool present = query.SRB_HaId == 0 && query.SRB_Target < drives_ && query.SRB_Lun == 0;
    query.SRB_DeviceType = present ? platform::kDeviceTypeCdrom : 0;
    query.SRB_Status = present ? platform::kSsComp : platform::kSsNoDevice;
    return query.SRB_Status;
  }
  if (command == platform::kScExecScsiCmd) return ExecuteAspi(*static_cast<platform::SrbExecScsiCmd*>(srb));
  if (command == platform::kScAbortSrb) return AbortAspi(*static_cast<platform::SrbAbort*>(srb));
  Fail("an ASPI request of a kind the program does not send");
}

uint32_t AnsweringPlatform::ExecuteAspi(platform::SrbExecScsiCmd& srb) {
  if (pending_ != nullptr) {
    Require(pending_ != &srb, "a request block the manager still owns was reused");
    pending_ = nullptr;
  }
  const auto event = platform::PostProcEvent(srb);
  Require((srb.SRB_Flags & platform::kSrbEventNotify) != 0 && events_.count(event) == 1,
          "an ASPI request without a live completion event");
  Require((srb.SRB_Flags & 0x18) != 0x18, "an ASPI request with both directions");
  Require(srb.SRB_BufLen == 0 || srb.SRB_BufPointer != nullptr, "a transfer without a buffer");
  Require(srb.SRB_SenseLen <= sizeof srb.SenseArea, "a sense length beyond the request's sense area");
  if (srb.SRB_HaId != 0 || srb.SRB_Target >= drives_ || srb.SRB_Lun != 0) {
    srb.SRB_Status = platform::kSsNoDevice;
    return srb.SRB_Status;
  }
  const uint8_t direction = (srb.SRB_Flags & platform::kSrbDirIn) != 0    ? scsi::kDirIn
                            : (srb.SRB_Flags & platform::kSrbDirOut) != 0 ? scsi::kDirOut
                                                                          : scsi::kDirNone;
  Received& received = Take(srb.SRB_Target, srb.CDBByte, direction, srb.SRB_BufLen);
  SendData(received, srb.SRB_BufPointer);
  const Answer& answer = received.answer;
  uint8_t status = platform::kSsComp;
  srb.SRB_HaStat = 0;
  srb.SRB_TargStat = 0;
  switch (answer.kind) {
    case AnswerKind::Good:
      ReceiveData(received, srb.SRB_BufPointer);
      break;
    case AnswerKind::CheckCondition:
      ReceiveData(received, srb.SRB_BufPointer);
      srb.SRB_TargStat = kCheckCondition;
      received.senseWritten = Padded(answer.sense, srb.SRB_SenseLen);
      std::memcpy(srb.SenseArea, received.senseWritten.data(), srb.SRB_SenseLen);
      status = platform::kSsErr;
      break;
    case AnswerKind::OtherStatus:
      srb.SRB_HaStat = answer.adapterStatus;
      srb.SRB_TargStat = answer.targetStatus;
      status = answer.status;
      break;
    case AnswerKind::TransportFailure:
      if (answer.aspiAtOnce) {
        srb.SRB_Status = platform::kSsNoDevice;
        return srb.SRB_Status;
      }
      srb.SRB_HaStat = kSelectionTimeout;
      status = platform::kSsErr;
      break;
    case AnswerKind::NeverCompletes:
    case AnswerKind::WaitFails:
      srb.SRB_Status = platform::kSsPending;
      events_[event].forcedWait =
          answer.kind == AnswerKind::NeverCompletes ? platform::kWaitTimeout : platform::kWaitFailed;
      pending_ = &srb;
      pendingEvent_ = event;
      pendingAbort_ = answer.abort;
      return platform::kSsPending;
  }
  srb.SRB_Status = status;
  if (answer.aspiAtOnce && status != platform::kSsPending) return status;
  events_[event].signalled = true;
  return platform::kSsPending;
}

uint32_t AnsweringPlatform::AbortAspi(platform::SrbAbort& abort) {
  if (pending_ == nullptr || abort.SRB_ToAbort != pending_ || abort.SRB_HaId != 0) {
    abort.SRB_Status = platform::kSsAbortFail;  // nothing of that name is running
    return abort.SRB_Status;
  }
  switch (pendingAbort_) {
    case AbortOutcome::AcceptedRequestAborted:
      pending_->SRB_Status = platform::kSsAborted;
      pending_ = nullptr;
      abort.SRB_Status = platform::kSsComp;
      break;
    case AbortOutcome::AcceptedStillPending:
      abort.SRB_Status = platform::kSsComp;
      break;
    case AbortOutcome::Refused:
      abort.SRB_Status = platform::kSsAbortFail;
      break;
  }
  return abort.SRB_Status;
}

platform::Handle AnsweringPlatform::CreateEventA(bool, bool initialState) {
  const platform::Handle event = nextEvent_++;
  events_[event].signalled = initialState;
  return event;
}

int AnsweringPlatform::SetEvent(platform::Handle event) {
  Require(events_.count(event) == 1, "SetEvent on no event");
  events_[event].signalled = true;
  return 1;
}

int AnsweringPlatform::ResetEvent(platform::Handle event) {
  Require(events_.count(event) == 1, "ResetEvent on no event");
  events_[event].signalled = false;
  return 1;
}

uint32_t AnsweringPlatform::WaitForSingleObject(platform::Handle object, uint32_t milliseconds) {
  const auto found = events_.find(object);
  Require(found != events_.end(), "a wait on no event");
  if (found->second.forcedWait == platform::kWaitFailed) return platform::kWaitFailed;
  if (found->second.signalled) return platform::kWaitObject0;
  Require(milliseconds != platform::kInfinite, "an endless wait on a request that never completes");
  nowMs_ += milliseconds;
  return platform::kWaitTimeout;
}

int AnsweringPlatform::CloseEvent(platform::Handle event) {
  Require(events_.erase(event) == 1, "CloseEvent on no event");
  Require(programEnds_ || pending_ == nullptr || pendingEvent_ != event,
          "the completion event of a request the manager still owns was closed");
  return 1;
}

void AnsweringPlatform::Sleep(uint32_t milliseconds) { nowMs_ += milliseconds; }

void AnsweringPlatform::GetLocalTime(platform::SystemTime* time) {
  const auto seconds = static_cast<uint32_t>((nowMs_ / 1000) % 86400);
  *time = platform::SystemTime{};
  time->hour = static_cast<uint16_t>(seconds / 3600);
  time->minute = static_cast<uint16_t>(seconds / 60 % 60);
  time->second = static_cast<uint16_t>(seconds % 60);
}

}  // namespace fuzz
