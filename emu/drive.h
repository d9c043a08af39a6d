// An emulated DVD rewriter of the drive family: INQUIRY, medium and tray state, a 2 MiB flash ROM
// with the family's vendor commands, scripted faults, and a log of every command received.
// Thread-safe: every public method takes the drive's own lock.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "emu/drive_types.h"
#include "emu/firmware_receiver.h"
#include "emu/sense.h"
#include "platform/threads.h"

namespace emu {

class Drive {
 public:
  struct Result {
    bool good = true;
    SenseBlock sense{};  // fixed-format sense when !good, all zero when good
    uint32_t latencyMs = 0;
    // The drive took the command and will never answer it (without effect, unless an AnswerFault
    // with afterEffect says otherwise).
    bool neverCompletes = false;
    // The answer was lost on the way: the host sees a failure without CHECK CONDITION or sense.
    bool transportError = false;
    // The drive is no longer there: the host's handle or target does not answer.
    bool gone = false;
    // The data phase ended early: only movedBytes (fewer than the command's transferLength) went
    // across, yet the drive's status is GOOD, as a bridge or a host adapter may report it.
    bool shortTransfer = false;
    uint32_t movedBytes = 0;
  };

  // A fault in what the host gets back for the nth command of a kind (by opcode, and by CDB byte 1
  // unless subcode is -1), counted like FailNth. Without afterEffect the drive does not carry the
  // command out; with it, the drive carries it out (a block write is kept, the last one restarts
  // the drive) and only the answer is replaced. A late answer always carries the command out.
  // The drive keeps every scripted fault in this one record, FailNth's and the others' too.
  struct AnswerFault {
    enum class Kind {
      CheckCondition,  // the given sense
      NoSense,         // a transport failure: no CHECK CONDITION, no sense
      NeverAnswers,    // the command never completes
      AnswersLate,     // completes after lateMs
      Disappears,      // the drive is gone from this command on
      // GOOD status after only movedBytes of the data phase: a data-out is not carried out (the
      // drive never got all of it), a data-in is and only its first movedBytes reach the host.
      // A command without data, or movedBytes not below its length, is answered normally.
      ShortTransfer,
    };
    uint8_t opcode = 0;
    int subcode = -1;
    int nth = 1;
    Kind kind = Kind::CheckCondition;
    SenseTriple sense{};
    uint32_t lateMs = 0;
    bool afterEffect = false;
    uint32_t movedBytes = 0;  // ShortTransfer only
  };

  // A WriteParameter command as received.
  struct ParameterWrite {
    uint8_t code;
    uint16_t parameter;
    std::array<uint8_t, 4> value;
    uint16_t length;
  };

  explicit Drive(DriveConfig config = {});

  // Logs the command, then answers it. data points to cmd.transferLength bytes: read for
  // kDirOut, filled for kDirIn (only on success).
  Result Execute(const CommandRecord& cmd, uint8_t* data);

  // Scripting of the medium. Scheduled changes take effect for commands whose atMs is at or
  // after the given time; the TEST UNIT READY count is counted from this call on.
  void SetMedium(Medium medium);
  void ScheduleMedium(uint64_t atMs, Medium medium);
  void ScheduleMediumAfterTestUnitReady(int count, Medium medium);

  // Faults on demand. nth is 1-based and counts every command with that opcode (for the vendor
  // form, with that opcode and CDB byte 1) received since the drive was made.
  void FailNth(uint8_t opcode, int nth, SenseTriple sense);
  void FailNthVendor(uint8_t opcode, uint8_t subcode, int nth, SenseTriple sense);
  void FailAll(uint8_t opcode, SenseTriple sense);
  void NeverCompleteNth(uint8_t opcode, int nth);
  void Inject(const AnswerFault& fault);
  void ClearFaults();
  void SetLatencyMs(uint32_t ms);
  void SetOpcodeLatencyMs(uint8_t opcode, uint32_t ms);  // overrides SetLatencyMs for one opcode

  // Observation.
  std::vector<CommandRecord> Log() const;
  void ClearLog();
  std::vector<uint8_t> Flash() const;
  void WriteFlash(uint32_t offset, const std::vector<uint8_t>& bytes);  // throws out_of_range
  void FillFlash(uint8_t value);
  std::string Revision() const;
  int Restarts() const;
  Medium CurrentMedium() const;  // as of the last command received
  std::vector<ParameterWrite> ParameterWrites() const;
  bool ParameterUnlocked() const;  // 0xAE/0x005F received since the last restart
  bool Gone() const;
  std::string Product() const;

 private:
  struct TimedMedium {
    uint64_t atMs;
    Medium medium;
  };
  struct CountedMedium {
    long long afterTurs;
    Medium medium;
  };
  // Where a scripted fault strikes, in the order a command meets them. The faults of every
  // scripting method are kept in one list, in the order scripted; of each stage, the first that
  // matches a command is the one that strikes it.
  enum class Stage {
    Answer,   // Inject: the answer, before the command is carried out unless afterEffect
    Hang,     // NeverCompleteNth: the drive takes the command and never answers it
    Refusal,  // FailNth, FailNthVendor, FailAll: the drive answers the sense instead of the command
  };
  struct Fault {
    Stage stage;
    AnswerFault what;  // the command it strikes (nth 0: every one) and what the host gets back
  };

  Result Answer(const CommandRecord& cmd, uint8_t* data);
  Result Inquiry(const CommandRecord& cmd, uint8_t* data);
  Result TestUnitReady();
  Result StartStopUnit(const CommandRecord& cmd);
  Result Vendor(const CommandRecord& cmd, uint8_t* data);
  Result ReadFlash(const CommandRecord& cmd, uint8_t* data);
  Result WriteParameter(const CommandRecord& cmd);
  Result WriteFirmwareBlock(const CommandRecord& cmd, const uint8_t* data);
  void Restart(const CommandRecord& cmd);
  void ApplyTimedMedium(uint64_t atMs);
  void ApplyCountedMedium();
  void Script(Stage stage, const AnswerFault& what);
  const AnswerFault* FirstFault(Stage stage, const CommandRecord& cmd) const;
  Result LostAnswer(const AnswerFault& fault, Result carriedOut);
  Result ShortAnswer(const CommandRecord& cmd, uint8_t* data, uint32_t movedBytes, uint32_t latencyMs);
  std::vector<uint8_t> StandardInquiry() const;
  bool IsHtl() const;

  mutable platform::Lock mutex_;
  const DriveConfig config_;
  std::string revision_;
  std::vector<uint8_t> flash_;
  FirmwareReceiver receiver_;
  Medium medium_ = Medium::Ready;
  std::vector<TimedMedium> timedMedium_;
  std::vector<CountedMedium> countedMedium_;
  long long tursAnswered_ = 0;
  std::vector<Fault> faults_;
  bool gone_ = false;
  std::array<int, 256> received_{};                   // by opcode
  std::map<std::pair<uint8_t, uint8_t>, int> subReceived_;  // by opcode and CDB byte 1
  uint32_t latencyMs_ = 0;
  std::map<uint8_t, uint32_t> opcodeLatencyMs_;
  std::vector<CommandRecord> log_;
  std::vector<ParameterWrite> parameterWrites_;
  bool parameterUnlocked_ = false;
  bool powerOnPending_ = false;  // 06/29/00 owed to the next command
  uint64_t busyUntilMs_ = 0;
  bool busy_ = false;
  int restarts_ = 0;
};

}  // namespace emu
