// The command log: lines held open per request until the request's outcome is known, each
// written and flushed at once so a log survives a process that is killed.
#include "emu/dll/command_journal.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace emu::dll {
namespace {

std::string Hex(const uint8_t* bytes, size_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return out;
}

const char* DirectionText(uint8_t flags) {
  switch (flags & (platform::kSrbDirIn | platform::kSrbDirOut)) {
    case platform::kSrbDirIn: return "in";
    case platform::kSrbDirOut: return "out";
    case platform::kSrbDirIn | platform::kSrbDirOut: return "both";
    default: return "none";
  }
}

// The manager publishes SRB_Status with release stores from its own thread.
uint8_t StatusOf(const platform::SrbExecScsiCmd& srb) {
  return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(srb.SRB_Status)).load(std::memory_order_acquire);
}

}  // namespace

bool TryLockFor(std::unique_lock<platform::Lock>& lock, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string FormatLogLine(const std::string& target, const platform::SrbExecScsiCmd& srb, const std::string& outcome,
                          uint64_t elapsedMs) {
  const size_t cdbLength = std::min<size_t>(srb.SRB_CDBLen, sizeof(srb.CDBByte));
  std::string line = target;
  line += ' ';
  line += cdbLength > 0 ? Hex(srb.CDBByte, cdbLength) : std::string("-");
  line += ' ';
  line += DirectionText(srb.SRB_Flags);
  line += ' ';
  line += std::to_string(srb.SRB_BufLen);
  line += ' ';
  line += outcome;
  line += " t=";
  line += std::to_string(elapsedMs);
  return line;
}

std::string OutcomeOf(const platform::SrbExecScsiCmd& srb) {
  const uint8_t status = StatusOf(srb);
  if (status == platform::kSsComp) return "GOOD";
  if (status == platform::kSsAborted) return "ABORTED";
  if (status == platform::kSsErr && srb.SRB_HaStat != 0) {
    // The host adapter's error (a lost answer, a data phase cut short): the drive gave no sense.
    const uint8_t host[1] = {srb.SRB_HaStat};
    return "HOST:" + Hex(host, 1);
  }
  if (status == platform::kSsErr) {
    // Fixed-format sense keeps byte 2, the ASC at 12 and the ASCQ at 13.
    if (srb.SRB_SenseLen < 14) return "CHECK";
    const uint8_t sense[3] = {srb.SenseArea[2], srb.SenseArea[12], srb.SenseArea[13]};
    const std::string hex = Hex(sense, 3);
    return "CHECK:" + hex.substr(0, 2) + "/" + hex.substr(2, 2) + "/" + hex.substr(4, 2);
  }
  const uint8_t byte[1] = {status};
  return "STATUS:" + Hex(byte, 1);
}

CommandJournal::~CommandJournal() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CommandJournal::Open(const std::string& path, uint64_t startMs) {
  std::lock_guard lock(mutex_);
  startMs_ = startMs;
  if (file_ != nullptr) std::fclose(file_);
  file_ = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");  // one LF per line on every system
  return file_ != nullptr;
}

void CommandJournal::Begin(const platform::SrbExecScsiCmd* srb, const std::string& target) {
  std::lock_guard lock(mutex_);
  open_.push_back(Entry{srb, platform::PostProcEvent(*srb), target, *srb});
}

void CommandJournal::Write(const Entry& entry, const platform::SrbExecScsiCmd& srb, const std::string& outcome,
                           uint64_t nowMs) {
  if (file_ == nullptr) return;
  const uint64_t elapsed = nowMs >= startMs_ ? nowMs - startMs_ : 0;
  const std::string line = FormatLogLine(entry.target, srb, outcome, elapsed) + "\n";
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
}

void CommandJournal::Record(const platform::SrbExecScsiCmd& srb, const std::string& target,
                            const std::string& outcome, uint64_t nowMs) {
  std::lock_guard lock(mutex_);
  Write(Entry{&srb, 0, target, srb}, srb, outcome, nowMs);
}

void CommandJournal::Completed(platform::Handle event, uint64_t nowMs) {
  std::lock_guard lock(mutex_);
  const auto found = std::find_if(open_.begin(), open_.end(), [event](const Entry& e) {
    return e.event == event && (e.copy.SRB_Flags & platform::kSrbEventNotify) != 0;
  });
  if (found == open_.end()) return;
  Write(*found, found->copy, OutcomeOf(*found->srb), nowMs);
  open_.erase(found);
}

void CommandJournal::Answered(const platform::SrbExecScsiCmd* srb, uint64_t nowMs) {
  std::lock_guard lock(mutex_);
  const auto found = std::find_if(open_.begin(), open_.end(), [srb](const Entry& e) { return e.srb == srb; });
  if (found == open_.end()) return;
  Write(*found, found->copy, OutcomeOf(*srb), nowMs);
  open_.erase(found);
}

void CommandJournal::End(const void* srb, const char* outcome, uint64_t nowMs) {
  std::lock_guard lock(mutex_);
  const auto found = std::find_if(open_.begin(), open_.end(), [srb](const Entry& e) { return e.srb == srb; });
  if (found == open_.end()) return;
  Write(*found, found->copy, outcome, nowMs);
  open_.erase(found);
}

bool CommandJournal::Finish(uint64_t nowMs, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_, std::defer_lock);
  if (!TryLockFor(lock, wait)) return false;
  for (const Entry& entry : open_) Write(entry, entry.copy, "PENDING", nowMs);
  open_.clear();
  if (file_ != nullptr) std::fflush(file_);
  return true;
}

size_t CommandJournal::Outstanding() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

}  // namespace emu::dll
