// The consumer family's back end: the ASPI manager library, its CD-ROM targets, and each command
// as one execute request that the manager completes through an event.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/threads.h"
#include "scsi/transport.h"

namespace scsi {

class AspiTransport final : public Transport {
 public:
  // Loads the manager and lists the CD-ROM targets of every host adapter it reports.
  explicit AspiTransport(const platform::ScsiPlatform& os);
  // The manager may still write into a retired request; the layer lives as long as the process,
  // so only its end frees them.
  ~AspiTransport() override;
  AspiTransport(const AspiTransport&) = delete;
  AspiTransport& operator=(const AspiTransport&) = delete;

  // An ASPI target needs no open: every command names its own adapter and target.
  void Open(int32_t /*index*/) override {}
  void Close(int32_t /*index*/) override {}
  int Execute(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction, uint32_t timeoutMs,
              uint8_t cdbLength, Transfer& transfer) override;
  void CopySense(int32_t index, uint8_t (&dest)[kSenseDataLength]) override;
  AspiManagerState AspiState() const override { return state_; }

 private:
  static constexpr std::size_t kSenseLength = 32;

  // One execute request with the completion event and the data buffer the manager reads and
  // writes; the caller's buffer is copied in before and out after a completed command, so memory
  // the caller reuses is never the manager's.
  struct Request {
    platform::SrbExecScsiCmd srb{};
    std::vector<uint8_t> data;
    platform::Handle event = 0;
  };

  void Enumerate();
  // Takes the event over (and sets it to 0) when it retires the request.
  int ExecuteWith(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                  uint32_t timeoutMs, uint8_t cdbLength, platform::Handle& event, Transfer& transfer);
  // True when the manager is done with the request: the abort was accepted and the request left
  // the pending state in time.
  bool Abort(platform::SrbExecScsiCmd& srb);

  platform::ScsiPlatform os_;
  AspiManagerState state_ = AspiManagerState::NotLoaded;
  platform::SendAspi32CommandFn sendCommand_ = nullptr;
  // The manager has one request block for all devices, so commands run one at a time; each
  // device keeps the sense area its own last command left, so that workers interleaving command
  // by command read their own drive's sense.
  platform::Lock mutex_;
  std::unique_ptr<Request> request_ = std::make_unique<Request>();
  // A request the manager may still complete is never reused: its late answer must land in
  // memory nobody else uses. Kept until the layer ends.
  std::vector<std::unique_ptr<Request>> retiredRequests_;
  std::array<std::array<uint8_t, platform::kAspiSenseAreaSize>, ScsiLayer::kMaxDevices> senseAreas_{};
};

}  // namespace scsi
