// The emulated machine with several threads at once: per-thread clocks, concurrent pass-through
// hosts on their own drives, and concurrent ASPI requests completed by the one manager thread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_test_util.h"
#include "platform/threads.h"

namespace emu {
namespace {

TEST(MachineThreads, EachThreadHasItsOwnClock) {
  Machine machine;
  machine.Sleep(100);
  uint64_t workerNow = 0;
  uint32_t workerIndex = 0;
  platform::Thread worker([&] {
    machine.Sleep(3000);
    machine.Sleep(57000);
    workerNow = machine.NowMs();
    workerIndex = machine.ThisThreadIndex();
  });
  worker.Join();
  EXPECT_EQ(workerNow, 60000u);
  EXPECT_EQ(machine.NowMs(), 100u);
  EXPECT_NE(workerIndex, machine.ThisThreadIndex());
  std::vector<uint32_t> workerSleeps;
  for (const auto& s : machine.Sleeps()) {
    if (s.thread == workerIndex) workerSleeps.push_back(s.ms);
  }
  EXPECT_EQ(workerSleeps, (std::vector<uint32_t>{3000, 57000}));
  EXPECT_EQ(machine.SleepsOfThisThread(), (std::vector<uint32_t>{100}));
}

constexpr int kHosts = 10;
constexpr int kCommands = 40;

std::string ProductOf(int i) { return "DVD RW KMR513" + std::to_string(i); }

TEST(MachineThreads, PassThroughHostsRunSideBySide) {
  Machine machine;
  std::vector<std::shared_ptr<Drive>> drives;
  for (int i = 0; i < kHosts; ++i) {
    drives.push_back(std::make_shared<Drive>(DriveConfig{.product = ProductOf(i)}));
    drives.back()->SetLatencyMs(50);
    machine.AddLetter(static_cast<char>('D' + i), platform::kDriveCdrom, drives.back());
  }
  std::vector<platform::Thread> hosts;
  std::vector<int> correct(kHosts, 0);
  std::vector<uint64_t> ends(kHosts, 0);
  for (int i = 0; i < kHosts; ++i) {
    hosts.emplace_back([&, i] {
      const platform::Handle device = test::OpenDevice(machine, static_cast<char>('D' + i));
      for (int n = 0; n < kCommands; ++n) {
        std::array<uint8_t, 36> data{};
        auto request = test::PassThrough(test::InquiryCdb(36), data.data(), 36, platform::kScsiIoctlDataIn);
        if (test::Send(machine, device, request) == 1 &&
            std::string(reinterpret_cast<const char*>(&data[16]), 14) == ProductOf(i)) {
          ++correct[i];
        }
      }
      machine.CloseHandle(device);
      ends[i] = machine.NowMs();
    });
  }
  for (auto& t : hosts) t.Join();
  for (int i = 0; i < kHosts; ++i) {
    EXPECT_EQ(correct[i], kCommands) << i;
    EXPECT_EQ(drives[i]->Log().size(), static_cast<size_t>(kCommands)) << i;
    EXPECT_EQ(ends[i], uint64_t{kCommands} * 50) << i;  // each host's own time, not the sum
  }
  EXPECT_EQ(machine.OpenDeviceHandles(), 0u);
}

TEST(MachineThreads, AspiRequestsFromManyThreads) {
  Machine machine;
  machine.SetPlatformId(platform::kPlatformWin32Windows);
  machine.AddAspiAdapter();
  machine.AddAspiAdapter();
  std::vector<std::shared_ptr<Drive>> drives;
  for (int i = 0; i < kHosts; ++i) {
    drives.push_back(std::make_shared<Drive>(DriveConfig{.product = ProductOf(i)}));
    drives.back()->SetLatencyMs(static_cast<uint32_t>(10 + i));
    machine.AddAspiTarget(i / 8, i % 8, platform::kDeviceTypeCdrom, drives.back());
  }
  const platform::Module module = machine.LoadLibraryA("WNASPI32.DLL");
  auto send = reinterpret_cast<platform::SendAspi32CommandFn>(machine.GetProcAddress(module, "SendASPI32Command"));
  ASSERT_NE(send, nullptr);

  std::vector<platform::Thread> hosts;
  std::vector<int> correct(kHosts, 0);
  for (int i = 0; i < kHosts; ++i) {
    hosts.emplace_back([&, i] {
      for (int n = 0; n < kCommands; ++n) {
        const platform::Handle event = machine.CreateEventA(true, false);
        std::array<uint8_t, 36> data{};
        platform::SrbExecScsiCmd srb =
            test::ExecSrb(i / 8, i % 8, test::InquiryCdb(36), data.data(), 36, platform::kSrbDirIn, event);
        if (send(&srb) == platform::kSsPending && machine.WaitForSingleObject(event, 15000) == platform::kWaitObject0 &&
            test::StatusOf(srb) == platform::kSsComp &&
            std::string(reinterpret_cast<const char*>(&data[16]), 14) == ProductOf(i)) {
          ++correct[i];
        }
        machine.CloseEvent(event);
      }
    });
  }
  for (auto& t : hosts) t.Join();
  for (int i = 0; i < kHosts; ++i) EXPECT_EQ(correct[i], kCommands) << i;
  EXPECT_EQ(machine.LiveEvents(), 0u);
  EXPECT_EQ(machine.HeldAspiRequests(), 0u);
}

}  // namespace
}  // namespace emu
