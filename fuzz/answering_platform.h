// Fuzz-only machine: optical drives on either back end whose every answer to a command (status,
// sense, data in, whether and how the request completes) comes from an answer source, usually the
// fuzzer's bytes. It keeps its own record of what each drive received and answered, which the
// targets judge the program by, and it stops the run on any request the program builds wrongly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/scsi_records.h"
#include "scsi/types.h"

namespace fuzz {

enum class AnswerKind : uint8_t {
  Good,              // GOOD status, with the data given
  CheckCondition,    // CHECK CONDITION with the sense given (zero-padded to the length asked for)
  OtherStatus,       // any other status bytes, no sense
  TransportFailure,  // pass-through call fails; ASPI host adapter error or an immediate error status
  NeverCompletes,    // pass-through call fails after its time-out; ASPI request stays pending
  WaitFails,         // ASPI: the wait on the completion event fails; pass-through as TransportFailure
};
inline constexpr uint8_t kAnswerKinds = 6;

// How an ASPI abort of a request that never completed goes.
enum class AbortOutcome : uint8_t { AcceptedRequestAborted, AcceptedStillPending, Refused };

struct Answer {
  AnswerKind kind = AnswerKind::Good;
  uint8_t status = 0;     // OtherStatus: ScsiStatus, or SRB_Status (SRB_TargStat and SRB_HaStat below)
  uint8_t targetStatus = 0;
  uint8_t adapterStatus = 0;
  bool aspiAtOnce = false;  // ASPI: the manager answers with the final status instead of SS_PENDING
  AbortOutcome abort = AbortOutcome::AcceptedRequestAborted;
  std::vector<uint8_t> data;   // data in, at most the transfer length is written
  std::vector<uint8_t> sense;  // CheckCondition only
};

// What a drive received and answered, in order.
struct Received {
  int device = 0;
  scsi::Cdb cdb{};
  uint8_t direction = 0;  // 8 in, 16 out, 0 none, as the request said
  uint32_t length = 0;
  Answer answer;
  std::vector<uint8_t> dataOut;  // the bytes the drive received
  std::vector<uint8_t> senseWritten;  // the sense the drive returned with this command (empty: none)
};

// Whether the transport tells the program that the command completed with good status.
bool AnsweredGood(scsi::BackEnd backEnd, const Answer& answer);
// The ASPI host adapter status of a data phase that moved more or fewer bytes than asked.
inline constexpr uint8_t kHostDataOverrunUnderrun = 0x12;

// One drive's answer to one command.
using AnswerSource = std::function<Answer(int device, const scsi::Cdb& cdb, uint32_t length)>;

// The fuzzer's bytes, read front to back; past the end every byte reads 0.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::vector<uint8_t> Bytes(std::size_t count);
  bool Empty() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// One answer from the fuzzer's bytes: a kind byte (kind = bits 0-2 % 6; bit 7: ASPI answers at once;
// bits 3-4: the abort's fate), then for Good a data length byte and the data, for CheckCondition
// the same and a sense length byte (% 33) and the sense, for OtherStatus the three status bytes.
// Past the end of the bytes every command is answered GOOD without data.
Answer DecodeAnswer(ByteReader& bytes);

class AnsweringPlatform final : public platform::SystemInfo,
                                public platform::FileIo,
                                public platform::Library,
                                public platform::Sync,
                                public platform::Clock {
 public:
  // Drives at letters E, F, ... (pass-through) or adapter 0 targets 0, 1, ... (ASPI). One machine
  // at a time may use the ASPI back end: the manager's entry points are plain functions.
  // The back end is PassThrough or Aspi; a machine without one is not a case the targets need.
  AnsweringPlatform(scsi::BackEnd backEnd, int drives, AnswerSource answers);
  ~AnsweringPlatform() override;
  AnsweringPlatform(const AnsweringPlatform&) = delete;
  AnsweringPlatform& operator=(const AnsweringPlatform&) = delete;

  platform::ScsiPlatform Platform() { return {*this, *this, *this, *this, *this}; }
  const std::vector<Received>& Record() const { return record_; }
  std::size_t OpenDeviceHandles() const { return openHandles_.size(); }
  // From here on the program is being torn down: what it releases then can no longer be reused.
  void ProgramEnds() { programEnds_ = true; }

  // SystemInfo
  int GetVersionExA(platform::OsVersion* version) override;
  uint32_t GetLogicalDrives() override;
  uint32_t GetDriveTypeA(const char* rootPath) override;
  // FileIo
  platform::Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                               uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  int DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                      void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
  int ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  uint32_t GetFileSize(platform::Handle file) override;
  uint32_t SetFilePointer(platform::Handle file, int32_t distance, uint32_t moveMethod) override;
  int WriteFile(platform::Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) override;
  int CloseHandle(platform::Handle object) override;
  uint32_t GetLastError() override { return 0; }
  // Library
  platform::Module LoadLibraryA(const char* fileName) override;
  // No module counts as loaded: the layer loads the manager itself and asks for no other.
  platform::Module GetModuleHandleA(const char* /*moduleName*/) override { return 0; }
  void* GetProcAddress(platform::Module module, const char* procName) override;
  int FreeLibrary(platform::Module module) override;
  // Sync
  platform::Handle CreateEventA(bool manualReset, bool initialState) override;
  int SetEvent(platform::Handle event) override;
  int ResetEvent(platform::Handle event) override;
  uint32_t WaitForSingleObject(platform::Handle object, uint32_t milliseconds) override;
  int CloseEvent(platform::Handle event) override;
  // Clock: virtual time, moved only by Sleep and by waits that time out.
  void Sleep(uint32_t milliseconds) override;
  void GetLocalTime(platform::SystemTime* time) override;

  // The ASPI manager's entry points.
  uint32_t SupportInfo();
  uint32_t SendCommand(void* srb);

 private:
  struct EventState {
    bool signalled = false;
    uint32_t forcedWait = platform::kWaitObject0;  // kWaitTimeout / kWaitFailed: the pending request's fate
  };
  Received& Take(int device, const uint8_t* cdb, uint8_t direction, uint32_t length);
  void SendData(Received& received, const void* buffer);
  void ReceiveData(Received& received, void* buffer);
  uint32_t ExecuteAspi(platform::SrbExecScsiCmd& srb);
  uint32_t AbortAspi(platform::SrbAbort& abort);

  scsi::BackEnd backEnd_;
  int drives_;
  AnswerSource answers_;
  std::vector<Received> record_;
  std::set<platform::Handle> openHandles_;
  std::map<platform::Handle, int> deviceOfHandle_;
  platform::Handle nextHandle_ = 0x100;
  std::map<platform::Handle, EventState> events_;
  platform::Handle nextEvent_ = 0x10000;
  uint64_t nowMs_ = 0;
  // The ASPI request that never completed, and what its abort does.
  platform::SrbExecScsiCmd* pending_ = nullptr;
  platform::Handle pendingEvent_ = 0;
  bool programEnds_ = false;
  AbortOutcome pendingAbort_ = AbortOutcome::Refused;
};

// Stops the run with a message: the program broke a rule of the platform or of the drive's record.
[[noreturn]] void Fail(const char* what);
inline void Require(bool condition, const char* what) {
  if (!condition) Fail(what);
}

}  // namespace fuzz
