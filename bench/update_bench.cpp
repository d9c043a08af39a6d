// Flash workers against emulated drives that take real time per command: ten drives at once
// compared with one, on each back end. On the pass-through back end the ten jobs run side by side
// (ratio near 1); on the ASPI back end the layer serves one command at a time, so ten drives take
// about the sum of their command times (ratio near 10) while the jobs still interleave rather than
// run one after another ("interleaved" = 1).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "worker_rig.h"

namespace {

using test_support::EmulatedBackEnd;
using Wall = std::chrono::steady_clock;

constexpr uint32_t kLatencyMs = 10;  // per command, in real time: well above the CPU work per command

// Notes in real time when its worker accepted its first block and when it began the restart
// wait, passing every sleep on to the machine (virtual time: the one-minute wait costs nothing).
class StampClock : public platform::Clock {
 public:
  explicit StampClock(platform::Clock& inner) : inner_(inner) {}
  void Sleep(uint32_t milliseconds) override {
    {
      std::lock_guard lock(mutex_);
      if (milliseconds == update::kBlockPauseMs && firstBlock_ == Wall::time_point{}) firstBlock_ = Wall::now();
      if (milliseconds == update::kRestartWaitFirstMs) loopEnd_ = Wall::now();
    }
    inner_.Sleep(milliseconds);
  }
  void GetLocalTime(platform::SystemTime* time) override { inner_.GetLocalTime(time); }
  Wall::time_point FirstBlock() const {
    std::lock_guard lock(mutex_);
    return firstBlock_;
  }
  Wall::time_point LoopEnd() const {
    std::lock_guard lock(mutex_);
    return loopEnd_;
  }

 private:
  platform::Clock& inner_;
  mutable std::mutex mutex_;
  Wall::time_point firstBlock_{};
  Wall::time_point loopEnd_{};
};

struct Run {
  double seconds;
  bool interleaved;  // every job had begun its blocks before any job finished them
};

Run RunJobs(const EmulatedBackEnd& backEnd, int drives) {
  std::vector<emu::DriveConfig> configs;
  for (int i = 0; i < drives; ++i) {
    configs.push_back(update::testing::Model("TEVOR", "DVD RW KMR5133", static_cast<uint32_t>(i + 1)));
  }
  update::testing::Rig rig(backEnd, configs);
  rig.machine.SetRealTimeLatency(true);
  for (auto& drive : rig.drives) drive->SetLatencyMs(kLatencyMs);

  std::vector<std::unique_ptr<StampClock>> clocks;
  std::vector<std::unique_ptr<update::AspiExec>> workers;
  for (int i = 0; i < drives; ++i) {
    clocks.push_back(std::make_unique<StampClock>(rig.machine));
    workers.push_back(std::make_unique<update::AspiExec>(*rig.layer, *clocks.back(), rig.table));
    workers.back()->SetDeviceIndex(i);
  }
  const auto start = Wall::now();
  for (int i = 0; i < drives; ++i) workers[i]->StartJob(i, false);
  for (auto& worker : workers) worker->WaitJobEnd();
  const auto end = Wall::now();

  Wall::time_point lastFirstBlock{};
  Wall::time_point firstLoopEnd = Wall::time_point::max();
  for (const auto& clock : clocks) {
    lastFirstBlock = std::max(lastFirstBlock, clock->FirstBlock());
    firstLoopEnd = std::min(firstLoopEnd, clock->LoopEnd());
  }
  return {std::chrono::duration<double>(end - start).count(), lastFirstBlock < firstLoopEnd};
}

void BM_TenDrivesAgainstOne(benchmark::State& state) {
  const EmulatedBackEnd backEnd = test_support::kBothBackEnds.at(static_cast<std::size_t>(state.range(0)));
  double one = 0;
  double ten = 0;
  bool interleaved = true;
  for (auto _ : state) {
    const Run single = RunJobs(backEnd, 1);
    const Run all = RunJobs(backEnd, 10);
    one += single.seconds;
    ten += all.seconds;
    interleaved = interleaved && all.interleaved;
    state.SetIterationTime(all.seconds);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["one_drive_ms"] = one / iterations * 1000;
  state.counters["ten_drives_ms"] = ten / iterations * 1000;
  state.counters["ratio"] = ten / one;
  state.counters["interleaved"] = interleaved ? 1 : 0;
  state.SetLabel(test_support::BackEndName(backEnd));
}

BENCHMARK(BM_TenDrivesAgainstOne)
    ->DenseRange(0, static_cast<int>(test_support::kBothBackEnds.size()) - 1)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

}  // namespace
