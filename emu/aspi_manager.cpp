// The emulated ASPI manager: request validation, execution on the drive at submission, and
// completion from the manager thread once the request's virtual time has come (aspi_manager.h).
#include "emu/aspi_manager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "emu/scsi_codes.h"

namespace emu {
namespace {

using platform::SrbAbort;
using platform::SrbExecScsiCmd;
using platform::SrbGetDevType;

constexpr uint8_t kHostAdapterSelectionTimeout = 0x11;
// The manager reports a data phase that ended early as a data overrun or underrun; the request
// record carries no count of the bytes moved unless residual counting was asked for.
constexpr uint8_t kHostAdapterDataOverrunUnderrun = 0x12;

// The host polls SRB_Status with acquire loads while other fields are still being written.
void PublishStatus(uint8_t& status, uint8_t value) {
  std::atomic_ref<uint8_t>(status).store(value, std::memory_order_release);
}

uint8_t DirectionOf(uint8_t flags) {
  switch (flags & (platform::kSrbDirIn | platform::kSrbDirOut)) {
    case platform::kSrbDirIn: return kDirIn;
    case platform::kSrbDirOut: return kDirOut;
    default: return kDirNone;
  }
}

}  // namespace

AspiManager::AspiManager(AspiHost& host) : host_(host) {}

AspiManager::~AspiManager() { Stop(); }

void AspiManager::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  released_.notify_all();
  done_.notify_all();
  thread_.Join();
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void AspiManager::SetOptions(const AspiOptions& options) {
  std::lock_guard lock(mutex_);
  options_ = options;
}

AspiOptions AspiManager::Options() const {
  std::lock_guard lock(mutex_);
  return options_;
}

int AspiManager::AddAdapter() {
  std::lock_guard lock(mutex_);
  adapters_.emplace_back();
  return static_cast<int>(adapters_.size()) - 1;
}

void AspiManager::AddTarget(int adapter, int target, uint8_t deviceType, std::shared_ptr<Drive> drive) {
  std::lock_guard lock(mutex_);
  if (adapter < 0 || adapter >= static_cast<int>(adapters_.size()) || target < 0 || target >= kMaxTargets) {
    throw std::invalid_argument("emu::AspiManager::AddTarget: no such adapter or target number");
  }
  adapters_[adapter][target] = Target{deviceType, std::move(drive)};
}

uint32_t AspiManager::SupportInfo() const {
  std::lock_guard lock(mutex_);
  return (uint32_t{options_.supportStatus} << 8) | (adapters_.size() & 0xFFu);
}

uint32_t AspiManager::SendCommand(void* srb) {
  if (srb == nullptr) return platform::kSsInvalidSrb;
  auto* bytes = static_cast<uint8_t*>(srb);
  switch (bytes[0]) {
    case platform::kScGetDevType: return GetDevType(*static_cast<SrbGetDevType*>(srb));
    case platform::kScExecScsiCmd: return ExecScsi(*static_cast<SrbExecScsiCmd*>(srb));
    case platform::kScAbortSrb: return Abort(*static_cast<SrbAbort*>(srb));
    default:
      bytes[1] = platform::kSsInvalidSrb;
      return platform::kSsInvalidSrb;
  }
}

const AspiManager::Target* AspiManager::FindTarget(int adapter, int target, uint8_t& status) const {
  if (adapter >= static_cast<int>(adapters_.size())) {
    status = platform::kSsInvalidHa;
    return nullptr;
  }
  const auto found = adapters_[adapter].find(target);
  if (found == adapters_[adapter].end()) {
    status = platform::kSsNoDevice;
    return nullptr;
  }
  status = platform::kSsComp;
  return &found->second;
}

uint32_t AspiManager::GetDevType(SrbGetDevType& srb) {
  std::lock_guard lock(mutex_);
  uint8_t status = platform::kSsComp;
  const Target* target = FindTarget(srb.SRB_HaId, srb.SRB_Target, status);
  if (target != nullptr && srb.SRB_Lun != 0) {
    target = nullptr;
    status = platform::kSsNoDevice;
  }
  if (target != nullptr) srb.SRB_DeviceType = target->deviceType;
  srb.SRB_Status = status;
  return status;
}

uint32_t AspiManager::ExecScsi(SrbExecScsiCmd& srb) {
  std::shared_ptr<Drive> drive;
  AspiOptions options;
  {
    std::lock_guard lock(mutex_);
    uint8_t status = platform::kSsComp;
    const Target* target = FindTarget(srb.SRB_HaId, srb.SRB_Target, status);
    if (target != nullptr && (target->drive == nullptr || srb.SRB_Lun != 0)) status = platform::kSsNoDevice;
    if (status != platform::kSsComp) {
      PublishStatus(srb.SRB_Status, status);
      return status;
    }
    drive = target->drive;
    options = options_;
  }
  const bool notify = (srb.SRB_Flags & platform::kSrbEventNotify) != 0;
  const platform::Handle event = platform::PostProcEvent(srb);
  if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof(srb.CDBByte) ||
      (srb.SRB_BufLen > 0 && srb.SRB_BufPointer == nullptr) || srb.SRB_BufLen > kMaxTransfer || (notify && !host_.IsEvent(event))) {
    PublishStatus(srb.SRB_Status, platform::kSsInvalidSrb);
    return platform::kSsInvalidSrb;
  }

  CommandRecord cmd;
  std::memcpy(cmd.cdb.data(), srb.CDBByte, std::min<size_t>(srb.SRB_CDBLen, cmd.cdb.size()));
  cmd.cdbLength = srb.SRB_CDBLen;
  cmd.direction = DirectionOf(srb.SRB_Flags);
  cmd.transferLength = srb.SRB_BufLen;
  cmd.timeoutSeconds = 0;
  cmd.atMs = host_.NowMs();
  cmd.transport = Transport::Aspi;

  Request request{};
  request.srb = &srb;
  request.notify = notify;
  request.event = event;
  request.threadKey = host_.ThreadKey();
  uint8_t* data = nullptr;
  if (cmd.direction == kDirIn && srb.SRB_BufLen > 0) {
    request.dataIn.resize(srb.SRB_BufLen);
    data = request.dataIn.data();
  } else if (cmd.direction == kDirOut) {
    data = srb.SRB_BufPointer;
  }
  request.result = drive->Execute(cmd, data);
  if (request.result.gone) {
    PublishStatus(srb.SRB_Status, platform::kSsNoDevice);
    return platform::kSsNoDevice;
  }
  request.never = request.result.neverCompletes;
  request.dueMs = cmd.atMs + request.result.latencyMs;

  if (options.completeSynchronously && !request.never) {
    if (host_.RealTimeLatency()) std::this_thread::sleep_for(std::chrono::milliseconds(request.result.latencyMs));
    host_.AdvanceMs(request.result.latencyMs);
    request.dueMs = host_.NowMs();
    Finish(request);
    return srb.SRB_Status;
  }

  PublishStatus(srb.SRB_Status, platform::kSsPending);
  const bool never = request.never;
  const uint64_t dueMs = request.dueMs;
  {
    std::lock_guard lock(mutex_);
    request.id = nextId_++;
    request.state = host_.SelfCompleting() && !never ? State::Released : State::Held;
    requests_.push_back(std::move(request));
    if (!thread_.Joinable() && !stopping_) thread_ = platform::Thread([this] { Loop(); });
  }
  released_.notify_all();
  if (notify) {
    if (never) {
      host_.ScheduleEventNever(event);
    } else {
      host_.ScheduleEvent(event, dueMs);
    }
  }
  return platform::kSsPending;
}

void AspiManager::Finish(Request& request) {
  SrbExecScsiCmd& srb = *request.srb;
  const bool good = request.result.good;
  // A lost answer is the host adapter's error: no status from the drive and no sense.
  const bool lost = request.result.transportError;
  const bool cut = request.result.shortTransfer;
  srb.SRB_HaStat = lost ? kHostAdapterSelectionTimeout : cut ? kHostAdapterDataOverrunUnderrun : 0;
  srb.SRB_TargStat = good || lost ? kStatusGood : kStatusCheckCondition;
  if (cut) {
    const size_t n = std::min<size_t>(request.result.movedBytes, request.dataIn.size());
    if (n > 0) std::memcpy(srb.SRB_BufPointer, request.dataIn.data(), n);
  } else if (!good && !lost) {
    const size_t n = std::min<size_t>(srb.SRB_SenseLen, sizeof(srb.SenseArea));
    const size_t sense = std::min(n, request.result.sense.size());
    std::memcpy(srb.SenseArea, request.result.sense.data(), sense);
    std::memset(srb.SenseArea + sense, 0, n - sense);
  } else if (!request.dataIn.empty()) {
    std::memcpy(srb.SRB_BufPointer, request.dataIn.data(), request.dataIn.size());
  }
  PublishStatus(srb.SRB_Status, good && !cut ? platform::kSsComp : platform::kSsErr);
  if (request.notify) host_.SignalEvent(request.event, request.dueMs);
}

void AspiManager::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    auto ready = requests_.end();
    released_.wait(lock, [&] {
      ready = std::find_if(requests_.begin(), requests_.end(),
                           [](const Request& r) { return r.state == State::Released; });
      return stopping_ || ready != requests_.end();
    });
    if (stopping_) return;
    // A released request is touched by no one else until it is erased.
    Request& request = *ready;
    lock.unlock();
    if (host_.RealTimeLatency()) std::this_thread::sleep_for(std::chrono::milliseconds(request.result.latencyMs));
    Finish(request);
    lock.lock();
    requests_.erase(ready);
    done_.notify_all();
  }
}

bool AspiManager::IsHeld(uint64_t id) const {
  return std::any_of(requests_.begin(), requests_.end(), [id](const Request& r) { return r.id == id; });
}

void AspiManager::WaitDone(std::unique_lock<platform::Lock>& lock, const std::vector<uint64_t>& ids) {
  done_.wait(lock, [&] {
    return stopping_ || std::none_of(ids.begin(), ids.end(), [&](uint64_t id) { return IsHeld(id); });
  });
}

bool AspiManager::CompleteForEvent(platform::Handle event) {
  std::unique_lock lock(mutex_);
  const auto found = std::find_if(requests_.begin(), requests_.end(), [event](const Request& r) {
    return r.notify && r.event == event && !r.never;
  });
  if (found == requests_.end()) return false;
  found->state = State::Released;
  const uint64_t id = found->id;
  released_.notify_all();
  WaitDone(lock, {id});
  return true;
}

void AspiManager::CompleteDue(uint64_t threadKey, uint64_t nowMs) {
  std::unique_lock lock(mutex_);
  std::vector<uint64_t> ids;
  for (Request& r : requests_) {
    if (r.state == State::Held && !r.never && r.threadKey == threadKey && r.dueMs <= nowMs) {
      r.state = State::Released;
      ids.push_back(r.id);
    }
  }
  if (ids.empty()) return;
  released_.notify_all();
  WaitDone(lock, ids);
}

uint32_t AspiManager::Abort(SrbAbort& srb) {
  platform::Handle unschedule = 0;
  bool forget = false;
  {
    std::unique_lock lock(mutex_);
    if (srb.SRB_HaId >= adapters_.size()) {
      srb.SRB_Status = platform::kSsInvalidHa;
      return platform::kSsInvalidHa;
    }
    if (!options_.abortAccepted) {
      srb.SRB_Status = platform::kSsAbortFail;
      return platform::kSsAbortFail;
    }
    auto found = std::find_if(requests_.begin(), requests_.end(),
                              [&](const Request& r) { return r.srb == srb.SRB_ToAbort; });
    if (found != requests_.end() && found->state == State::Released) {
      WaitDone(lock, {found->id});  // too late to abort: it completes normally
    } else if (found != requests_.end()) {
      if (options_.abortCompletesRequest) PublishStatus(found->srb->SRB_Status, platform::kSsAborted);
      forget = found->notify;
      unschedule = found->event;
      requests_.erase(found);
    }
  }
  if (forget) host_.UnscheduleEvent(unschedule);
  srb.SRB_Status = platform::kSsComp;
  return platform::kSsComp;
}

size_t AspiManager::HeldRequests() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

}  // namespace emu
