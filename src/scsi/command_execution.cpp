// Executes one command block on one device through the chosen back end and keeps its sense data.
#include <atomic>
#include <cstring>

#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

constexpr uint32_t kAbortPatienceSeconds = 10;
constexpr uint32_t kAbortPollMs = 10;
constexpr uint32_t kSecondsPerDay = 86400;
constexpr uint8_t kScsiStatusGood = 0;

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
                              uint32_t timeoutMs, uint8_t cdbLength) {
  if (!InList(index)) return 0;
  const platform::Handle event = os_.sync.CreateEventA(true, false);
  os_.sync.ResetEvent(event);
  const int result = passThrough_ == 1
                         ? ExecutePassThrough(index, cdb, buffer, length, direction, timeoutMs, cdbLength)
                         : ExecuteAspi(index, cdb, buffer, length, direction, timeoutMs, cdbLength, event);
  if (event != 0) os_.sync.CloseEvent(event);
  return result;
}

int ScsiLayer::ExecuteCommand(DeviceRef ref, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                              uint32_t timeoutMs, uint8_t cdbLength) {
  // A reference to an index outside the list must not reach whatever device its low byte names.
  if (ref == kClosedRef || !InList(ref)) return 0;
  return ExecuteCommand(static_cast<uint8_t>(ref), cdb, buffer, length, direction, timeoutMs, cdbLength);
}

int ScsiLayer::ExecutePassThrough(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                                  uint32_t timeoutMs, uint8_t cdbLength) {
  platform::PassThroughRequest& request = passThroughRequests_[index];
  std::memset(&request, 0, sizeof request);  // the sense buffer starts empty for every command
  platform::ScsiPassThroughDirect& sptd = request.sptd;
  sptd.Length = sizeof(platform::ScsiPassThroughDirect);
  sptd.CdbLength = cdbLength;
  sptd.SenseInfoLength = platform::kPassThroughSenseSize;
  sptd.DataIn = PassThroughDataIn(direction);
  sptd.DataTransferLength = length;
  sptd.TimeOutValue = timeoutMs / 1000;
  sptd.DataBuffer = buffer;
  sptd.SenseInfoOffset = offsetof(platform::PassThroughRequest, sense);
  std::memcpy(sptd.Cdb, cdb.data(), cdb.size());

  uint32_t returned = 0;
  const int ok = os_.files.DeviceIoControl(handles_[index], platform::kIoctlScsiPassThroughDirect, &request,
                                           sizeof request, &request, sizeof request, &returned);
  return ok != 0 && sptd.ScsiStatus == kScsiStatusGood ? 1 : 0;
}

int ScsiLayer::ExecuteAspi(uint8_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                           uint32_t timeoutMs, uint8_t cdbLength, platform::Handle event) {
  // Without an event the manager could never tell us the request is done.
  if (sendCommand_ == nullptr || event == 0) return 0;
  std::lock_guard<platform::Lock> lock(aspiMutex_);
  platform::SrbExecScsiCmd& srb = aspiRequest_;
  std::memcpy(srb.SenseArea, aspiSenseAreas_[index].data(), sizeof srb.SenseArea);
  const int32_t deviceId = deviceIds_[index];
  selectedDeviceId_.store(deviceId);
  srb.SRB_Cmd = platform::kScExecScsiCmd;
  srb.SRB_HaId = static_cast<uint8_t>(deviceId / 256);
  srb.SRB_Target = static_cast<uint8_t>(deviceId % 256);
  srb.SRB_Flags = AspiFlags(direction);
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = static_cast<uint8_t*>(buffer);
  srb.SRB_SenseLen = kAspiSenseLength;
  srb.SRB_CDBLen = cdbLength;
  srb.SRB_PostProc = reinterpret_cast<void*>(event);
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());

  int result = 0;
  const uint32_t answer = sendCommand_(&srb);
  bool finished = true;
  if (answer == platform::kSsPending) {
    if (os_.sync.WaitForSingleObject(event, timeoutMs) == platform::kWaitObject0) {
      os_.sync.ResetEvent(event);
    } else {
      AbortAspiRequest();
      finished = false;
    }
  }
  if (finished && LoadStatus(srb.SRB_Status) == platform::kSsComp) result = 1;
  std::memcpy(aspiSenseAreas_[index].data(), srb.SenseArea, sizeof srb.SenseArea);
  return result;
}

void ScsiLayer::AbortAspiRequest() {
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = aspiRequest_.SRB_HaId;
  abort.SRB_ToAbort = &aspiRequest_;
  sendCommand_(&abort);
  if (LoadStatus(abort.SRB_Status) != platform::kSsComp) return;

  const uint32_t start = os_.clock.TimeOfDaySeconds();
  while (LoadStatus(aspiRequest_.SRB_Status) == platform::kSsPending) {
    // Counted modulo one day: an abort that straddles midnight must not wait for ever.
    const uint32_t elapsed = (os_.clock.TimeOfDaySeconds() + kSecondsPerDay - start) % kSecondsPerDay;
    if (elapsed > kAbortPatienceSeconds) return;
    os_.clock.Sleep(kAbortPollMs);
  }
}

int ScsiLayer::GetSense(DeviceRef ref, uint8_t (&dest)[16]) {
  if (ref == kClosedRef || !InList(ref)) return 0;
  if (passThrough_ == 1) {
    std::memcpy(dest, passThroughRequests_[ref].sense, sizeof dest);
  } else {
    std::lock_guard<platform::Lock> lock(aspiMutex_);
    std::memcpy(dest, aspiSenseAreas_[ref].data(), sizeof dest);
  }
  return 1;
}

SenseCode ScsiLayer::GetSenseCode(DeviceRef ref) {
  uint8_t sense[16] = {};
  if (GetSense(ref, sense) == 0) return kNoDeviceSense;
  return static_cast<SenseCode>(sense[2]) << 16 | static_cast<SenseCode>(sense[12]) << 8 | sense[13];
}

}  // namespace scsi
