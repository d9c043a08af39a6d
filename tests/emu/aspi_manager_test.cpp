// The ASPI manager on its own, over a real-time host as a stand-alone manager library would
// have one: pending requests complete without anyone waiting, and the event is signalled.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "emu/aspi_manager.h"
#include "machine_test_util.h"
#include "platform/threads.h"

namespace emu {
namespace {

class RealTimeHost : public AspiHost {
 public:
  uint64_t NowMs() override { return 0; }
  uint64_t ThreadKey() override { return 1; }
  void AdvanceMs(uint64_t) override {}
  bool IsEvent(platform::Handle event) override { return event == kEvent; }
  void ScheduleEvent(platform::Handle, uint64_t) override {}
  void ScheduleEventNever(platform::Handle) override {}
  void UnscheduleEvent(platform::Handle) override {}
  void SignalEvent(platform::Handle event, uint64_t) override {
    std::lock_guard lock(mutex_);
    if (event == kEvent) ++signals_;
  }
  bool RealTimeLatency() override { return true; }
  bool SelfCompleting() override { return true; }
  int Signals() {
    std::lock_guard lock(mutex_);
    return signals_;
  }
  static constexpr platform::Handle kEvent = 0x40;

 private:
  platform::Lock mutex_;
  int signals_ = 0;
};

TEST(AspiManagerRealTime, CompletesWithoutAWaiter) {
  RealTimeHost host;
  AspiManager manager(host);
  manager.AddAdapter();
  auto drive = std::make_shared<Drive>();
  drive->SetLatencyMs(5);
  manager.AddTarget(0, 2, platform::kDeviceTypeCdrom, drive);
  std::array<uint8_t, 36> data{};
  platform::SrbExecScsiCmd srb =
      test::ExecSrb(0, 2, test::InquiryCdb(36), data.data(), 36, platform::kSrbDirIn, RealTimeHost::kEvent);
  ASSERT_EQ(manager.SendCommand(&srb), platform::kSsPending);
  while (test::StatusOf(srb) == platform::kSsPending) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(test::StatusOf(srb), platform::kSsComp);
  EXPECT_EQ(data[0], 0x05);
  // The status is published before the event is set; wait for the signal too.
  while (host.Signals() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(host.Signals(), 1);
}

}  // namespace
}  // namespace emu
