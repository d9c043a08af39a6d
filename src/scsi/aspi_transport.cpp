// The ASPI back end: the manager's entry points and targets, one execute request at a time with
// its completion event, the abort of a request that does not finish, and each device's sense.
#include "scsi/aspi_transport.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace scsi {
namespace {

constexpr char kAspiLibrary[] = "WNASPI32.DLL";
constexpr int kTargetsPerAdapter = 8;
constexpr uint32_t kAbortPatienceSeconds = 10;
constexpr uint32_t kAbortPollMs = 10;
// The manager's host adapter status for a data phase that ended early (or ran over).
constexpr uint8_t kHostAdapterDataOverrunUnderrun = 0x12;

uint8_t AspiFlags(uint8_t direction) {
  const uint8_t dataFlags = direction == kDirIn || direction == kDirOut ? direction : 0;
  return static_cast<uint8_t>(dataFlags | platform::kSrbEventNotify);
}

// The manager may write the request's status from its own thread.
uint8_t LoadStatus(uint8_t& status) { return std::atomic_ref<uint8_t>(status).load(std::memory_order_acquire); }

}  // namespace

AspiTransport::AspiTransport(const platform::ScsiPlatform& os) : os_(os) { Enumerate(); }

AspiTransport::~AspiTransport() {
  for (const auto& request : retiredRequests_) os_.sync.CloseEvent(request->event);
}

void AspiTransport::Enumerate() {
  const platform::Module library = os_.library.LoadLibraryA(kAspiLibrary);
  if (library == 0) return;
  auto supportInfo = reinterpret_cast<platform::GetAspi32SupportInfoFn>(
      os_.library.GetProcAddress(library, "GetASPI32SupportInfo"));
  auto sendCommand =
      reinterpret_cast<platform::SendAspi32CommandFn>(os_.library.GetProcAddress(library, "SendASPI32Command"));
  if (supportInfo == nullptr || sendCommand == nullptr) {
    state_ = AspiManagerState::EntryPointsMissing;
    os_.library.FreeLibrary(library);
    return;
  }
  sendCommand_ = sendCommand;

  const uint32_t support = supportInfo();
  if (((support >> 8) & 0xFF) != platform::kSsComp) {
    state_ = AspiManagerState::NotCompleted;
    return;
  }
  state_ = AspiManagerState::Ready;
  const int adapters = static_cast<int>(support & 0xFF);
  for (int adapter = 0; adapter < adapters && !devices_.Full(); ++adapter) {
    for (int target = 0; target < kTargetsPerAdapter && !devices_.Full(); ++target) {
      platform::SrbGetDevType query{};
      query.SRB_Cmd = platform::kScGetDevType;
      query.SRB_HaId = static_cast<uint8_t>(adapter);
      query.SRB_Target = static_cast<uint8_t>(target);
      sendCommand_(&query);
      if (query.SRB_Status == platform::kSsComp && query.SRB_DeviceType == platform::kDeviceTypeCdrom) {
        devices_.Add(adapter * 256 + target);
      }
    }
  }
}

int AspiTransport::Execute(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                           uint32_t timeoutMs, uint8_t cdbLength, Transfer& transfer) {
  platform::Handle event = os_.sync.CreateEventA(true, false);
  os_.sync.ResetEvent(event);
  const int result = ExecuteWith(index, cdb, buffer, length, direction, timeoutMs, cdbLength, event, transfer);
  if (event != 0) os_.sync.CloseEvent(event);
  return result;
}

int AspiTransport::ExecuteWith(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                               uint32_t timeoutMs, uint8_t cdbLength, platform::Handle& event, Transfer& transfer) {
  // Without an event the manager could never tell us the request is done.
  if (sendCommand_ == nullptr || event == 0) return 0;
  std::lock_guard<platform::Lock> lock(mutex_);
  Request& request = *request_;
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
  const int32_t deviceId = devices_.ids[index];
  srb.SRB_Cmd = platform::kScExecScsiCmd;
  srb.SRB_HaId = static_cast<uint8_t>(deviceId / 256);
  srb.SRB_Target = static_cast<uint8_t>(deviceId % 256);
  srb.SRB_Flags = AspiFlags(direction);
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = staged;
  srb.SRB_SenseLen = kSenseLength;
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
      if (!Abort(srb)) {
        // The manager may still complete it: nothing of it is touched again.
        auto fresh = std::make_unique<Request>();
        request.event = event;
        event = 0;
        retiredRequests_.push_back(std::move(request_));
        request_ = std::move(fresh);
      }
    }
  }
  std::array<uint8_t, platform::kAspiSenseAreaSize>& sense = senseAreas_[index];
  const uint8_t status = timedOut ? platform::kSsPending : LoadStatus(srb.SRB_Status);
  // The request record counts no residual bytes (residual counting is not asked for); the host
  // adapter status tells a data phase that did not move all its bytes, which has failed in either
  // direction, since nothing says how much of a read arrived.
  const bool overrunOrUnderrun = !timedOut && srb.SRB_HaStat == kHostAdapterDataOverrunUnderrun;
  if (overrunOrUnderrun && srb.SRB_TargStat == kStatusGood && staged != nullptr) transfer.cutShort = true;
  if (status == platform::kSsComp && !overrunOrUnderrun) {
    // A good command leaves the device's earlier sense as it was.
    if (direction == kDirIn && staged != nullptr) std::memcpy(buffer, staged, length);
    transfer.moved = staged != nullptr ? length : 0;
    return 1;
  }
  // A failure without the drive's CHECK CONDITION (time-out, abort, host adapter or manager
  // error) has no sense: an earlier command's sense must not be read as this one's.
  if (status == platform::kSsErr && srb.SRB_TargStat == kStatusCheckCondition) {
    std::memcpy(sense.data(), srb.SenseArea, sense.size());
  } else {
    sense.fill(0);
  }
  return 0;
}

bool AspiTransport::Abort(platform::SrbExecScsiCmd& srb) {
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = srb.SRB_HaId;
  abort.SRB_ToAbort = &srb;
  sendCommand_(&abort);
  if (LoadStatus(abort.SRB_Status) != platform::kSsComp) return false;

  const uint32_t start = platform::TimeOfDaySeconds(os_.clock);
  while (LoadStatus(srb.SRB_Status) == platform::kSsPending) {
    if (platform::SecondsSince(os_.clock, start) > kAbortPatienceSeconds) return false;
    os_.clock.Sleep(kAbortPollMs);
  }
  return true;
}

void AspiTransport::CopySense(int32_t index, uint8_t (&dest)[kSenseDataLength]) {
  std::lock_guard<platform::Lock> lock(mutex_);
  std::memcpy(dest, senseAreas_[index].data(), sizeof dest);
}

}  // namespace scsi
