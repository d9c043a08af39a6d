// Executes one command block on one device through the chosen back end and keeps its sense data.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "scsi/scsi_layer.h"
#include "scsi/sense.h"

namespace scsi {
namespace {

constexpr uint32_t kAbortPatienceSeconds = 10;
constexpr uint32_t kAbortPollMs = 10;
constexpr uint32_t kSecondsPerDay = 86400;
constexpr uint8_t kScsiStatusGood = 0;
constexpr uint8_t kScsiStatusCheckCondition = 2;
// The ASPI manager's host adapter status for a data phase that ended early (or ran over).
constexpr uint8_t kHostAdapterDataOverrunUnderrun = 0x12;

uint8_t PassThroughDataIn(uint8_t direction) {
  if (direction == kDirIn) return platform::kScsiIoctlDataIn;
  if (direction == kDirOut) return platform::kScsiIoctlDataOut;
  return platform::kScsiIoctlDataUnspecified;
}

uint8_t AspiFlags(uint8_t direction) {
  const uint8_t dataFlags = direction == kDirIn || direction == kDirOut ? direction : 0;
  return static_cast<uint8_t>(dataFlags | platform::kSrbEventNotify);
}

// The manager may write the request's status from its own thread.
uint8_t LoadStatus(uint8_t& status) { return std::atomic_ref<uint8_t>(status).load(std::memory_order_acquire); }

}  // namespace

int ScsiLayer::ExecuteCommand(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                              uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer) {
  Transfer report;
  if (transfer != nullptr) *transfer = report;
  if (!InList(index)) return 0;
  platform::Handle event = os_.sync.CreateEventA(true, false);
  os_.sync.ResetEvent(event);
  const int result =
      backEnd_ == BackEnd::PassThrough ? ExecutePassThrough(index, cdb, buffer, length, direction, timeoutMs, cdbLength, report)
                        : ExecuteAspi(index, cdb, buffer, length, direction, timeoutMs, cdbLength, event, report);
  if (event != 0) os_.sync.CloseEvent(event);
  if (transfer != nullptr) *transfer = report;
  return result;
}

int ScsiLayer::ExecuteCommand(DeviceRef ref, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                              uint32_t timeoutMs, uint8_t cdbLength, Transfer* transfer) {
  if (transfer != nullptr) *transfer = Transfer{};
  // A reference to an index outside the list must not reach whatever device its low byte names.
  if (ref == kClosedRef || !InList(ref)) return 0;
  return ExecuteCommand(static_cast<uint8_t>(ref), cdb, buffer, length, direction, timeoutMs, cdbLength, transfer);
}

uint8_t* ScsiLayer::AlignedStaging(uint8_t index, uint32_t length) {
  const uint32_t mask = alignmentMasks_[index];
  std::vector<uint8_t>& store = staging_[index];
  if (store.size() < std::size_t{length} + mask) store.resize(std::size_t{length} + mask);
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(store.data());
  return store.data() + (((start + mask) & ~std::uintptr_t{mask}) - start);
}

int ScsiLayer::ExecutePassThrough(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                                  uint32_t timeoutMs, uint8_t cdbLength, Transfer& transfer) {
  // The adapter refuses a data buffer that does not meet its alignment; such a caller's data goes
  // through the layer's own buffer instead.
  const bool dataPhase = buffer != nullptr && length > 0 && (direction == kDirIn || direction == kDirOut);
  uint8_t* data = static_cast<uint8_t*>(buffer);
  if (dataPhase && (reinterpret_cast<std::uintptr_t>(buffer) & alignmentMasks_[index]) != 0) {
    data = AlignedStaging(index, length);
    if (direction == kDirOut) {
      std::memcpy(data, buffer, length);
    } else {
      std::memset(data, 0, length);
    }
  }
  platform::PassThroughRequest& request = passThroughRequests_[index];
  std::memset(&request, 0, sizeof request);  // the sense buffer starts empty for every command
  platform::ScsiPassThroughDirect& sptd = request.sptd;
  sptd.Length = sizeof(platform::ScsiPassThroughDirect);
  sptd.CdbLength = cdbLength;
  sptd.SenseInfoLength = platform::kPassThroughSenseSize;
  sptd.DataIn = PassThroughDataIn(direction);
  sptd.DataTransferLength = length;
  sptd.TimeOutValue = timeoutMs / 1000;
  sptd.DataBuffer = data;
  sptd.SenseInfoOffset = offsetof(platform::PassThroughRequest, sense);
  std::memcpy(sptd.Cdb, cdb.data(), cdb.size());

  uint32_t returned = 0;
  const int ok = os_.files.DeviceIoControl(handles_[index], platform::kIoctlScsiPassThroughDirect, &request,
                                           sizeof request, &request, sizeof request, &returned);
  if (ok == 0 || sptd.ScsiStatus != kScsiStatusGood) return 0;
  // The port driver leaves in DataTransferLength the bytes that went across; more than was asked
  // is never believed.
  const uint32_t moved = dataPhase ? std::min(sptd.DataTransferLength, length) : 0;
  transfer.moved = moved;
  if (dataPhase && direction == kDirIn && data != buffer) std::memcpy(buffer, data, moved);
  if (dataPhase && moved < length) {
    transfer.cutShort = true;
    if (direction == kDirOut) return 0;
  }
  return 1;
}

int ScsiLayer::ExecuteAspi(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                           uint32_t timeoutMs, uint8_t cdbLength, platform::Handle& event, Transfer& transfer) {
  // Without an event the manager could never tell us the request is done.
  if (sendCommand_ == nullptr || event == 0) return 0;
  std::lock_guard<platform::Lock> lock(aspiMutex_);
  AspiRequest& request = *aspiRequest_;
  platform::SrbExecScsiCmd& srb = request.srb;
  // Only what the drive reports for this command may count as its sense and its statuses.
  std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
  srb.SRB_HaStat = 0;
  srb.SRB_TargStat = 0;
  uint8_t* staged = nullptr;
  if (buffer != nullptr && length > 0) {
    if (request.data.size() < length) request.data.resize(length);
    staged = request.data.data();
    if (direction == kDirOut) {
      std::memcpy(staged, buffer, length);
    } else {
      std::memset(staged, 0, length);
    }
  }
  const int32_t deviceId = deviceIds_[index];
  srb.SRB_Cmd = platform::kScExecScsiCmd;
  srb.SRB_HaId = static_cast<uint8_t>(deviceId / 256);
  srb.SRB_Target = static_cast<uint8_t>(deviceId % 256);
  srb.SRB_Flags = AspiFlags(direction);
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = staged;
  srb.SRB_SenseLen = kAspiSenseLength;
  srb.SRB_CDBLen = cdbLength;
  srb.SRB_PostProc = reinterpret_cast<void*>(event);
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());

  const uint32_t answer = sendCommand_(&srb);
  bool timedOut = false;
  if (answer == platform::kSsPending) {
    if (os_.sync.WaitForSingleObject(event, timeoutMs) == platform::kWaitObject0) {
      os_.sync.ResetEvent(event);
    } else {
      timedOut = true;
      if (!AbortAspiRequest(srb)) {
        // The manager may still complete it: nothing of it is touched again.
        auto fresh = std::make_unique<AspiRequest>();
        request.event = event;
        event = 0;
        retiredAspiRequests_.push_back(std::move(aspiRequest_));
        aspiRequest_ = std::move(fresh);
      }
    }
  }
  std::array<uint8_t, platform::kAspiSenseAreaSize>& sense = aspiSenseAreas_[index];
  const uint8_t status = timedOut ? platform::kSsPending : LoadStatus(srb.SRB_Status);
  // The request record counts no residual bytes (residual counting is not asked for); the host
  // adapter status tells a data phase that did not move all its bytes, which has failed in either
  // direction, since nothing says how much of a read arrived.
  const bool overrunOrUnderrun = !timedOut && srb.SRB_HaStat == kHostAdapterDataOverrunUnderrun;
  if (overrunOrUnderrun && srb.SRB_TargStat == kScsiStatusGood && staged != nullptr) transfer.cutShort = true;
  if (status == platform::kSsComp && !overrunOrUnderrun) {
    // A good command leaves the device's earlier sense as it was.
    if (direction == kDirIn && staged != nullptr) std::memcpy(buffer, staged, length);
    transfer.moved = staged != nullptr ? length : 0;
    return 1;
  }
  // A failure without the drive's CHECK CONDITION (time-out, abort, host adapter or manager
  // error) has no sense: an earlier command's sense must not be read as this one's.
  if (status == platform::kSsErr && srb.SRB_TargStat == kScsiStatusCheckCondition) {
    std::memcpy(sense.data(), srb.SenseArea, sense.size());
  } else {
    sense.fill(0);
  }
  return 0;
}

bool ScsiLayer::AbortAspiRequest(platform::SrbExecScsiCmd& srb) {
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = srb.SRB_HaId;
  abort.SRB_ToAbort = &srb;
  sendCommand_(&abort);
  if (LoadStatus(abort.SRB_Status) != platform::kSsComp) return false;

  const uint32_t start = platform::TimeOfDaySeconds(os_.clock);
  while (LoadStatus(srb.SRB_Status) == platform::kSsPending) {
    // Counted modulo one day: an abort that straddles midnight must not wait for ever.
    const uint32_t elapsed = (platform::TimeOfDaySeconds(os_.clock) + kSecondsPerDay - start) % kSecondsPerDay;
    if (elapsed > kAbortPatienceSeconds) return false;
    os_.clock.Sleep(kAbortPollMs);
  }
  return true;
}

int ScsiLayer::GetSense(DeviceRef ref, uint8_t (&dest)[16]) {
  if (ref == kClosedRef || !InList(ref)) return 0;
  if (backEnd_ == BackEnd::PassThrough) {
    std::memcpy(dest, passThroughRequests_[ref].sense, sizeof dest);
  } else {
    std::lock_guard<platform::Lock> lock(aspiMutex_);
    std::memcpy(dest, aspiSenseAreas_[ref].data(), sizeof dest);
  }
  return 1;
}

SenseCode ScsiLayer::GetSenseCode(DeviceRef ref) {
  uint8_t sense[kSenseDataLength] = {};
  if (GetSense(ref, sense) == 0) return kNoDeviceSense;
  return SenseCodeOf(sense);
}

}  // namespace scsi
