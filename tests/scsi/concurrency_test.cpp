// Ten threads, each on its own device, interleave commands on one layer: every command reaches
// its own drive and every sense read returns its own drive's sense. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "drives_fixture.h"
#include "platform/threads.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"

namespace scsi {
namespace {

using testing::AttachDrives;
using test_support::EmulatedBackEnd;
using test_support::kBothBackEnds;

constexpr int kThreads = 10;
constexpr int kRounds = 40;

class TenThreads : public ::testing::TestWithParam<EmulatedBackEnd> {};

TEST_P(TenThreads, KeepTheirDevicesAndSenseApart) {
  emu::Machine machine;
  auto drives = AttachDrives(machine, GetParam(), kThreads);
  for (int i = 0; i < kThreads; ++i) {
    drives[i]->FailAll(cdb::kOpTestUnitReady, {0x02, 0x3A, static_cast<uint8_t>(i)});
  }
  ScsiLayer layer(machine.Platform());
  std::atomic<int> mismatches{0};
  std::vector<platform::Thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      const std::string product = "DRIVE " + std::to_string(i);
      for (int round = 0; round < kRounds; ++round) {
        DeviceRef ref = kClosedRef;
        layer.OpenRef(ref, i);
        uint8_t data[36] = {};
        if (Inquiry(layer, ref, data, sizeof data) != 1) ++mismatches;
        if (std::string(reinterpret_cast<char*>(data + 16), product.size()) != product) ++mismatches;
        if (TestUnitReady(layer, ref) != 0) ++mismatches;
        if (layer.GetSenseCode(ref) != (0x023A00u | static_cast<uint32_t>(i))) ++mismatches;
        layer.CloseRef(ref);
      }
    });
  }
  for (auto& t : threads) t.Join();
  EXPECT_EQ(mismatches.load(), 0);
  for (const auto& drive : drives) EXPECT_EQ(drive->Log().size(), 2u * kRounds);
  EXPECT_EQ(machine.LiveEvents(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, TenThreads, ::testing::ValuesIn(kBothBackEnds),
                         [](const auto& tp) { return testing::BackEndName(tp.param); });

}  // namespace
}  // namespace scsi
