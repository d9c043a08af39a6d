// The command log of the stand-alone emulated ASPI manager: one line per SC_EXEC_SCSI_CMD request,
// written when its outcome is known, so a scenario can assert exactly what the program sent.
//
//   <target> <CDB hex> <in|out|none|both> <length> <outcome> t=<ms since the manager started>
//
// The outcome is GOOD, CHECK:<sense byte 2>/<ASC>/<ASCQ>, HOST:<SRB_HaStat hex> (the host adapter's
// error, without sense), ABORTED, STATUS:<SRB_Status hex> (refused
// at once), POLLED (a request without event notification: the manager cannot see when the host
// collects it) or PENDING (still outstanding when the process ended).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <list>
#include <string>

#include "platform/scsi_records.h"
#include "platform/threads.h"

namespace emu::dll {

// Takes the lock unless another thread keeps it for longer than wait (polling try_lock: a thread
// stopped at the end of the process never unlocks, and timed locks fool the thread checker).
bool TryLockFor(std::unique_lock<platform::Lock>& lock, std::chrono::milliseconds wait);

// The line of one request; outcome as above.
std::string FormatLogLine(const std::string& target, const platform::SrbExecScsiCmd& srb, const std::string& outcome,
                          uint64_t elapsedMs);
// The outcome that a completed request's SRB shows.
std::string OutcomeOf(const platform::SrbExecScsiCmd& srb);

class CommandJournal {
 public:
  CommandJournal() = default;
  ~CommandJournal();
  CommandJournal(const CommandJournal&) = delete;
  CommandJournal& operator=(const CommandJournal&) = delete;

  // Truncates or creates the log; false when it cannot be opened (the journal then only tracks).
  bool Open(const std::string& path, uint64_t startMs);

  // A request handed to the manager; the line waits for its outcome. The SRB is only read while
  // the manager still owns it (at Completed, Refused).
  void Begin(const platform::SrbExecScsiCmd* srb, const std::string& target);
  // The request behind this event has its results in its SRB (called before the event is set).
  void Completed(platform::Handle event, uint64_t nowMs);
  // The manager answered at once: logs the SRB's outcome unless Completed already did.
  void Answered(const platform::SrbExecScsiCmd* srb, uint64_t nowMs);
  // Ends the request's line with a fixed outcome (ABORTED, POLLED) unless it is already written.
  void End(const void* srb, const char* outcome, uint64_t nowMs);
  // A request whose outcome was known when it returned (a synchronous back end): its line at once.
  void Record(const platform::SrbExecScsiCmd& srb, const std::string& target, const std::string& outcome,
              uint64_t nowMs);
  // At the end of the process: PENDING for what is left. Gives up (false) when the journal stays
  // locked for wait, which happens when a thread was stopped while writing.
  bool Finish(uint64_t nowMs, std::chrono::milliseconds wait);

  size_t Outstanding() const;

 private:
  struct Entry {
    const platform::SrbExecScsiCmd* srb;
    platform::Handle event;
    std::string target;
    platform::SrbExecScsiCmd copy;  // the request as handed in, for lines written without the SRB
  };
  void Write(const Entry& entry, const platform::SrbExecScsiCmd& srb, const std::string& outcome, uint64_t nowMs);

  mutable platform::Lock mutex_;
  std::FILE* file_ = nullptr;
  uint64_t startMs_ = 0;
  std::list<Entry> open_;  // in the order handed in
};

}  // namespace emu::dll
