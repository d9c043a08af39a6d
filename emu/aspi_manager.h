// The emulated ASPI manager: host adapters and targets over emulated drives, GetASPI32SupportInfo
// and SendASPI32Command (SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD, SC_ABORT_SRB), with SS_PENDING answers
// completed from the manager's own thread. It knows nothing of the machine around it (AspiHost),
// so it can also serve a stand-alone manager library.
//
// Completion in virtual time: a pending request is held until its time has come for the host,
// that is until a thread waits on its event with a deadline at or after its completion time
// (CompleteForEvent) or the issuing thread's clock passes that time (CompleteDue). Then the
// manager thread writes the results and signals the event while the host blocks in real time.
// This keeps every outcome, including the race between a time-out and a completion, the same
// from run to run. A held request's SRB must stay alive until it completes or is aborted.
// Over a real-time host (AspiHost::SelfCompleting) requests complete on their own instead.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "emu/aspi_host.h"
#include "emu/drive.h"
#include "platform/scsi_records.h"
#include "platform/threads.h"

namespace emu {

struct AspiOptions {
  bool libraryPresent = true;
  bool hasSupportInfo = true;
  bool hasSendCommand = true;
  uint8_t supportStatus = platform::kSsComp;
  bool completeSynchronously = false;
  bool abortAccepted = true;
  bool abortCompletesRequest = true;  // false: the aborted request stays SS_PENDING
};

class AspiManager {
 public:
  static constexpr int kMaxTargets = 16;
  // The largest data phase the emulated host adapter takes in one request, as a real adapter has.
  static constexpr uint32_t kMaxTransfer = 0x10000;

  explicit AspiManager(AspiHost& host);
  ~AspiManager();
  AspiManager(const AspiManager&) = delete;
  AspiManager& operator=(const AspiManager&) = delete;

  void SetOptions(const AspiOptions& options);
  AspiOptions Options() const;
  int AddAdapter();  // returns its number
  // A target with a device type; without a drive it answers SC_GET_DEV_TYPE only.
  void AddTarget(int adapter, int target, uint8_t deviceType, std::shared_ptr<Drive> drive = nullptr);

  // The two entry points.
  uint32_t SupportInfo() const;
  uint32_t SendCommand(void* srb);

  // Virtual-time completion (see above). CompleteForEvent returns false when no held request
  // signals that event; otherwise it returns once that request has completed.
  bool CompleteForEvent(platform::Handle event);
  void CompleteDue(uint64_t threadKey, uint64_t nowMs);

  size_t HeldRequests() const;
  // Stops and joins the manager thread; held requests are dropped without being written.
  void Stop();

 private:
  struct Target {
    uint8_t deviceType;
    std::shared_ptr<Drive> drive;
  };
  enum class State { Held, Released };
  struct Request {
    uint64_t id;
    platform::SrbExecScsiCmd* srb;
    bool notify;
    platform::Handle event;
    Drive::Result result;
    std::vector<uint8_t> dataIn;  // staged until completion
    uint64_t dueMs;
    uint64_t threadKey;
    bool never;
    State state;
  };

  uint32_t GetDevType(platform::SrbGetDevType& srb);
  uint32_t ExecScsi(platform::SrbExecScsiCmd& srb);
  uint32_t Abort(platform::SrbAbort& srb);
  const Target* FindTarget(int adapter, int target, uint8_t& status) const;
  void Finish(Request& request);  // writes the results into the SRB and signals its event
  void Loop();
  void WaitDone(std::unique_lock<platform::Lock>& lock, const std::vector<uint64_t>& ids);
  bool IsHeld(uint64_t id) const;

  AspiHost& host_;
  mutable platform::Lock mutex_;
  platform::WakeSignal released_;
  platform::WakeSignal done_;
  AspiOptions options_;
  std::vector<std::map<int, Target>> adapters_;
  std::list<Request> requests_;
  uint64_t nextId_ = 1;
  bool stopping_ = false;
  platform::Thread thread_;  // started with the first pending request
};

}  // namespace emu
