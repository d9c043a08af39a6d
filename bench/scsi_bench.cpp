// Overhead of the SCSI layer per command on each back end, against a zero-latency emulated drive,
// reported as a ratio (vs_direct) to handing the same command to the drive directly.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "emu/drive.h"
#include "emu/machine.h"
#include "emulated_drives.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace {

constexpr int kBaselineCalls = 20000;

double DirectNanosPerCommand(emu::Drive& drive) {
  emu::CommandRecord record{};
  record.cdb = scsi::cdb::TestUnitReady();
  record.cdbLength = scsi::kCdbLength;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kBaselineCalls; ++i) {
    benchmark::DoNotOptimize(drive.Execute(record, nullptr));
    drive.ClearLog();
  }
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / kBaselineCalls;
}

void RunThroughLayer(benchmark::State& state, const test_support::EmulatedBackEnd& backEnd) {
  emu::Machine machine;
  const auto drive = test_support::AttachDrives(machine, backEnd, {emu::DriveConfig{}}).front();
  scsi::ScsiLayer layer(machine.Platform());
  scsi::DeviceRef ref = scsi::kClosedRef;
  layer.OpenRef(ref, 0);
  DirectNanosPerCommand(*drive);  // warm-up
  const double direct = DirectNanosPerCommand(*drive);

  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    benchmark::DoNotOptimize(scsi::TestUnitReady(layer, ref));
    drive->ClearLog();  // keeps the log from growing without bound
  }
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  state.counters["vs_direct"] = spent.count() / static_cast<double>(state.iterations()) / direct;
  layer.CloseRef(ref);
}

void BM_PassThroughCommand(benchmark::State& state) { RunThroughLayer(state, test_support::kPassThrough); }
void BM_AspiCommand(benchmark::State& state) { RunThroughLayer(state, test_support::kAspi); }

BENCHMARK(BM_PassThroughCommand);
BENCHMARK(BM_AspiCommand);

}  // namespace
