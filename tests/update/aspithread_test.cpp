// The flash worker's job on emulated drives, on both back ends: the model gate, the readiness
// test, the block loop and its outcomes, the restart waits, the checksum read-back, and a second
// job on the same worker.
#include "update/aspithread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/threads.h"
#include "worker_rig.h"

namespace update {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kEveryBackEnd;
using test_support::kPassThrough;
using testing::FlashOpcodes;
using testing::LoopSleeps;
using testing::Model;
using testing::Opcodes;
using testing::Rig;

struct JobRun {
  FlashResult outcome;
  uint8_t wrong;
  std::string name;
  uint16_t checksum;
  std::vector<uint32_t> sleeps;
  JobRecord job;
};

JobRun RunOneJob(Rig& rig, bool checksumWanted = false, const FirmwareImage& image = kEmbeddedImage) {
  auto worker = rig.MakeWorker(0, image);
  EXPECT_TRUE(worker.exec->StartJob(0, checksumWanted));
  worker.exec->WaitJobEnd();
  return {worker.exec->Outcome(), rig.table.Wrong(0), rig.table.Name(0), worker.exec->Checksum(),
          worker.clock->Sleeps(), worker.exec->LastJob()};
}

class Worker : public ::testing::TestWithParam<EmulatedBackEnd> {};

INSTANTIATE_TEST_SUITE_P(EveryBackEnd, Worker,
                         ::testing::ValuesIn(kEveryBackEnd),
                         [](const auto& p) { return testing::BackEndName(p.param); });

struct GateCase {
  const char* name;
  emu::DriveConfig drive;
  std::function<void(emu::Drive&)> script;
  FlashResult outcome;
  int parameterWrites;  // WriteParameter commands sent
  std::string driveName;
};

TEST_P(Worker, ModelGate) {
  const auto none = [](emu::Drive&) {};
  const emu::SenseTriple error{0x04, 0x44, 0x00};
  const GateCase cases[] = {
      {"the image's model", Model("TEVOR", "DVD RW KMR5133"), none, kFlashDone, 0, "TEVOR   DVD RW KMR5133"},
      {"only 5 vendor bytes compared", Model("TEVORX", "DVD RW KMR5133"), none, kFlashDone, 0,
       "TEVORX  DVD RW KMR5133"},
      {"second model gets the parameter write", Model("TEVOR", "HTL6190B"), none, kFlashDone, 1,
       "TEVOR   HTL6190B"},
      {"failed parameter write is retried once", Model("TEVOR", "HTL6190"),
       [&](emu::Drive& d) { d.FailNthVendor(0xA0, 0x14, 1, error); }, kFlashDone, 2, "TEVOR   HTL6190"},
      // The retry's result is ignored: the job goes on, and the locked drive refuses the blocks.
      {"failed retry is ignored", Model("TEVOR", "HTL6190"),
       [&](emu::Drive& d) { d.FailAll(0xA0, error); }, kFlashFailed, 2, "TEVOR   HTL6190"},
      {"another product of the vendor", Model("TEVOR", "DVD RW KMR5134"), none, kFlashWrongDrive, 0,
       "TEVOR   DVD RW KMR5134"},
      {"a shorter product", Model("TEVOR", "DVD RW KMR513"), none, kFlashWrongDrive, 0, "TEVOR   DVD RW KMR513"},
      {"vendor in lower case", Model("tevor", "DVD RW KMR5133"), none, kFlashWrongDrive, 0,
       "tevor   DVD RW KMR5133"},
      {"another vendor", Model("OTHER", "DVD RW KMR5133"), none, kFlashWrongDrive, 0, "OTHER   DVD RW KMR5133"},
      {"another vendor's HTL6190", Model("OTHER", "HTL6190"), none, kFlashWrongDrive, 0, "OTHER   HTL6190"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(GetParam(), {c.drive});
    emu::Drive& drive = *rig.drives[0];
    c.script(drive);
    const JobRun run = RunOneJob(rig);

    EXPECT_EQ(run.outcome, c.outcome);
    EXPECT_EQ(run.wrong, c.outcome == kFlashWrongDrive ? 1 : 0);
    EXPECT_EQ(run.name, c.driveName);
    const auto opcodes = Opcodes(drive.Log());
    if (c.outcome == kFlashWrongDrive) {
      EXPECT_EQ(opcodes, std::vector<uint8_t>{0x12});  // nothing after INQUIRY, no eject
      EXPECT_TRUE(run.sleeps.empty());
      continue;
    }
    std::vector<uint8_t> expected = {0x12};
    expected.insert(expected.end(), static_cast<std::size_t>(c.parameterWrites), 0xA0);
    const std::vector<uint8_t> rest = FlashOpcodes(c.outcome == kFlashDone ? 49 : 1);
    expected.insert(expected.end(), rest.begin() + 1, rest.end());
    EXPECT_EQ(opcodes, expected);
    EXPECT_EQ(testing::HoldsImage(drive), c.outcome == kFlashDone);
    // The parameter write: A0 14 AE 00 00 5F 00 00 00 00 00 04, no data phase.
    for (const auto& record : drive.Log()) {
      if (record.cdb[0] != 0xA0) continue;
      EXPECT_EQ(record.cdb, (std::array<uint8_t, 12>{0xA0, 0x14, 0xAE, 0, 0, 0x5F, 0, 0, 0, 0, 0, 4}));
      EXPECT_EQ(record.direction, 0);
    }
  }
}

// A drive the worker cannot open, or that does not say what it is, has failed: it is not refused
// as a wrong model (nothing is known of its model), it gets no name and no further command, and
// the job's record says why.
TEST_P(Worker, DriveThatCannotBeOpenedOrDoesNotAnswerFailsAndIsNotRefused) {
  using Kind = emu::Drive::AnswerFault::Kind;
  const bool passThrough = GetParam().PassThrough();
  const struct {
    const char* name;
    bool passThroughOnly;  // an ASPI target has no open that could fail
    std::function<void(emu::Machine&, emu::Drive&)> script;
    FailStep step;
    uint32_t osError;
    std::size_t commands;  // what reached the drive
  } cases[] = {
      {"access denied", true, [](emu::Machine& m, emu::Drive&) { m.FailOpen('E', platform::kErrorAccessDenied); },
       FailStep::Open, platform::kErrorAccessDenied, 0},
      {"sharing violation", true,
       [](emu::Machine& m, emu::Drive&) { m.FailOpen('E', platform::kErrorSharingViolation); }, FailStep::Open,
       platform::kErrorSharingViolation, 0},
      {"INQUIRY fails", false, [](emu::Machine&, emu::Drive& d) { d.FailAll(0x12, {0x04, 0x44, 0x00}); },
       FailStep::Identification, 0, 1},
      {"INQUIRY moves nothing", false,
       [](emu::Machine&, emu::Drive& d) { d.Inject({0x12, -1, 1, Kind::ShortTransfer, {}, 0, false, 0}); },
       FailStep::Identification, 0, 1},
      {"INQUIRY stops inside the product", false,
       [](emu::Machine&, emu::Drive& d) { d.Inject({0x12, -1, 1, Kind::ShortTransfer, {}, 0, false, 20}); },
       FailStep::Identification, 0, 1},
  };
  for (const auto& c : cases) {
    if (c.passThroughOnly && !passThrough) continue;
    SCOPED_TRACE(c.name);
    Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
    emu::Drive& drive = *rig.drives[0];
    c.script(rig.machine, drive);
    const JobRun run = RunOneJob(rig);
    EXPECT_EQ(run.outcome, kFlashFailed);
    EXPECT_EQ(run.wrong, 0);
    EXPECT_EQ(run.name, "");
    EXPECT_EQ(run.job.step, c.step);
    EXPECT_EQ(run.job.osError, c.osError);
    EXPECT_EQ(drive.Log().size(), c.commands);
    EXPECT_TRUE(run.sleeps.empty());
    EXPECT_EQ(rig.machine.OpenDeviceHandles(), 0u);
  }
}

struct ReadyCase {
  const char* name;
  std::function<void(emu::Drive&)> script;
  bool flashed;
};

TEST_P(Worker, ReadinessDecidesBeforeTheEject) {
  const ReadyCase cases[] = {
      {"tray closed, no medium (02/3A/01)", [](emu::Drive& d) { d.SetMedium(emu::Medium::TrayClosedEmpty); }, false},
      {"tray open (02/3A/02)", [](emu::Drive& d) { d.SetMedium(emu::Medium::TrayOpen); }, false},
      {"ready", [](emu::Drive&) {}, true},
      {"no medium without qualifier (02/3A/00)", [](emu::Drive& d) { d.SetMedium(emu::Medium::NoMedium); }, true},
      {"becoming ready (02/04/01)", [](emu::Drive& d) { d.SetMedium(emu::Medium::BecomingReady); }, true},
      {"unit attention (06/28/00)", [](emu::Drive& d) { d.SetMedium(emu::Medium::UnitAttention); }, true},
      // Byte 2 is compared whole: a flag bit beside the sense key is not "medium not present".
      {"flag bit in byte 2 (22/3A/01)", [](emu::Drive& d) { d.FailNth(0x00, 1, {0x22, 0x3A, 0x01}); }, true},
      {"other qualifier of another ASC (02/3B/01)", [](emu::Drive& d) { d.FailNth(0x00, 1, {0x02, 0x3B, 0x01}); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
    emu::Drive& drive = *rig.drives[0];
    c.script(drive);
    const JobRun run = RunOneJob(rig);
    if (c.flashed) {
      EXPECT_EQ(run.outcome, kFlashDone);
      EXPECT_EQ(Opcodes(drive.Log()), FlashOpcodes(49));
      EXPECT_EQ(run.sleeps, LoopSleeps(48));  // the last block is answered by the restart
      EXPECT_TRUE(testing::HoldsImage(drive));
    } else {
      EXPECT_EQ(run.outcome, kFlashFailed);
      EXPECT_EQ(Opcodes(drive.Log()), (std::vector<uint8_t>{0x12, 0x00}));  // no eject, no writes
      EXPECT_TRUE(run.sleeps.empty());                                       // no waits
      EXPECT_FALSE(testing::HoldsImage(drive));
    }
    EXPECT_EQ(run.wrong, 0);
  }
}

struct BlockCase {
  const char* name;
  bool restartAnswersLastBlock;
  std::function<void(emu::Drive&)> script;
  FlashResult outcome;
  int blocksSent;
  int pauses;  // accepted blocks
  bool holdsImage;
};

TEST_P(Worker, BlockLoopOutcomes) {
  const auto none = [](emu::Drive&) {};
  const BlockCase cases[] = {
      {"every block accepted", false, none, kFlashDone, 49, 49, true},
      {"last block answered by the restart", true, none, kFlashDone, 49, 48, true},
      // A reset before the last block: the drive holds no new image, so the job failed.
      {"06/29 on block 9", true, [](emu::Drive& d) { d.FailNth(0xFA, 10, {0x06, 0x29, 0x00}); }, kFlashFailed, 10, 9, false},
      {"06/29 with a qualifier on block 9", true, [](emu::Drive& d) { d.FailNth(0xFA, 10, {0x06, 0x29, 0x02}); }, kFlashFailed, 10, 9, false},
      // Byte 2 compared whole: 0x26 is not 0x06.
      {"26/29 on block 9", true, [](emu::Drive& d) { d.FailNth(0xFA, 10, {0x26, 0x29, 0x00}); }, kFlashFailed, 10, 9, false},
      {"06/28 on block 9", true, [](emu::Drive& d) { d.FailNth(0xFA, 10, {0x06, 0x28, 0x00}); }, kFlashFailed, 10, 9, false},
      {"hardware error on block 0", true, [](emu::Drive& d) { d.FailNth(0xFA, 1, {0x04, 0x44, 0x00}); }, kFlashFailed, 1, 0, false},
      {"medium error on block 48", false, [](emu::Drive& d) { d.FailNth(0xFA, 49, {0x03, 0x0C, 0x00}); }, kFlashFailed, 49, 48, false},
      // Answered GOOD, but the data phase ended early: the drive never got the whole block.
      {"last block moves no data", false,
       [](emu::Drive& d) { d.Inject({0xFA, -1, 49, emu::Drive::AnswerFault::Kind::ShortTransfer, {}, 0, false, 0}); },
       kFlashFailed, 49, 48, false},
      {"block 9 moves half", true,
       [](emu::Drive& d) { d.Inject({0xFA, -1, 10, emu::Drive::AnswerFault::Kind::ShortTransfer, {}, 0, false, 8192}); },
       kFlashFailed, 10, 9, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    emu::DriveConfig config = Model("TEVOR", "DVD RW KMR5133");
    config.restartAnswersLastBlock = c.restartAnswersLastBlock;
    Rig rig(GetParam(), {config});
    emu::Drive& drive = *rig.drives[0];
    c.script(drive);
    const JobRun run = RunOneJob(rig);
    EXPECT_EQ(run.outcome, c.outcome);
    EXPECT_EQ(Opcodes(drive.Log()), FlashOpcodes(c.blocksSent));  // the rest are not sent
    EXPECT_EQ(run.sleeps, LoopSleeps(c.pauses));                   // both waits in every case
    EXPECT_EQ(testing::HoldsImage(drive), c.holdsImage);
  }
}

// The record names the block and what the transport told of it: the pass-through counts the
// bytes that went across, the ASPI manager only reports the data underrun.
TEST_P(Worker, ShortLastBlockIsRecordedAsAFailedBlock) {
  Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
  emu::Drive& drive = *rig.drives[0];
  drive.Inject({0xFA, -1, 49, emu::Drive::AnswerFault::Kind::ShortTransfer, {}, 0, false, 4096});
  const JobRun run = RunOneJob(rig);
  EXPECT_EQ(run.outcome, kFlashFailed);
  EXPECT_EQ(drive.Restarts(), 0);
  EXPECT_EQ(drive.Revision(), "1.00");
  EXPECT_EQ(run.job.step, FailStep::Block);
  EXPECT_EQ(run.job.block, 49);
  EXPECT_EQ(run.job.sense, 0u);
  EXPECT_TRUE(run.job.cutShort);
  if (GetParam().PassThrough()) {
    EXPECT_EQ(run.job.moved, std::optional<uint32_t>(4096));
  } else {
    EXPECT_FALSE(run.job.moved.has_value());
  }
}

// The worker sends the image it was given, unchanged: a drive refuses one whose sums are off.
TEST_P(Worker, ImageThatFailsItsSumsIsRefusedByTheDrive) {
  auto image = std::make_unique<FirmwareImage>(kEmbeddedImage);
  image->payload[12345] ^= 0x01;
  Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
  const std::vector<uint8_t> before = rig.drives[0]->Flash();
  const JobRun run = RunOneJob(rig, false, *image);
  EXPECT_EQ(run.outcome, kFlashFailed);
  EXPECT_EQ(Opcodes(rig.drives[0]->Log()), FlashOpcodes(49));
  EXPECT_EQ(run.sleeps, LoopSleeps(48));
  EXPECT_EQ(rig.drives[0]->Flash(), before);
}

TEST_P(Worker, ChecksumIsReadOnlyAfterASuccessfulJobThatWantsIt) {
  const struct {
    const char* name;
    bool wanted;
    std::function<void(emu::Drive&)> script;
    emu::DriveConfig drive;
    bool read;
  } cases[] = {
      {"wanted after success", true, [](emu::Drive&) {}, Model("TEVOR", "DVD RW KMR5133"), true},
      {"not wanted", false, [](emu::Drive&) {}, Model("TEVOR", "DVD RW KMR5133"), false},
      {"wanted after a failed block", true, [](emu::Drive& d) { d.FailNth(0xFA, 3, {0x03, 0x0C, 0x00}); },
       Model("TEVOR", "DVD RW KMR5133"), false},
      {"wanted for a wrong drive", true, [](emu::Drive&) {}, Model("OTHER", "DVD RW KMR5133"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(GetParam(), {c.drive});
    emu::Drive& drive = *rig.drives[0];
    c.script(drive);
    const JobRun run = RunOneJob(rig, c.wanted);
    int reads = 0;
    for (const auto& record : drive.Log()) reads += record.cdb[0] == 0xA0 && record.cdb[1] == 0x15;
    EXPECT_EQ(reads, c.read ? 1024 : 0);
    EXPECT_EQ(run.checksum, c.read ? testing::FlashSum(drive.Flash()) : 0);
    if (c.read) {
      EXPECT_NE(run.checksum, 0);
    }
  }
}

// The verification's one verdict, the worker's: the reference handed with the job against the
// checksum read back. Only a whole read equal to the reference passes; the job's outcome stays
// the write's, and the record names the verification as the failed step.
TEST_P(Worker, JudgesTheReadBackAgainstTheReferenceItWasHanded) {
  // What a drive updated with the embedded image reads back: its blocks, the rest erased.
  constexpr uint16_t kUpdatedSum = 0x1244;
  const auto none = [](emu::Drive&) {};
  const auto readFails = [](emu::Drive& d) { d.FailAll(0xA0, {0x03, 0x11, 0x00}); };
  emu::DriveConfig corrupting = Model("TEVOR", "DVD RW KMR5133");
  corrupting.corruptAfterUpdate = true;
  const struct {
    const char* name;
    bool wanted;
    std::optional<uint16_t> reference;
    emu::DriveConfig drive;
    std::function<void(emu::Drive&)> script;
    FlashResult outcome;
    bool read;
    Verification verdict;
    FailStep step;
    scsi::SenseCode sense;
  } cases[] = {
      {"no reference, nothing read", false, std::nullopt, Model("TEVOR", "DVD RW KMR5133"), none, kFlashDone, false,
       Verification::NoReference, FailStep::None, 0},
      {"no reference, read without a judgement", true, std::nullopt, Model("TEVOR", "DVD RW KMR5133"), none,
       kFlashDone, true, Verification::NoReference, FailStep::None, 0},
      {"no reference, the read's failure still recorded", true, std::nullopt, Model("TEVOR", "DVD RW KMR5133"),
       readFails, kFlashDone, true, Verification::NoReference, FailStep::Verification, 0x031100},
      {"equal", false, kUpdatedSum, Model("TEVOR", "DVD RW KMR5133"), none, kFlashDone, true, Verification::Match,
       FailStep::None, 0},
      {"another reference", true, uint16_t{kUpdatedSum + 1}, Model("TEVOR", "DVD RW KMR5133"), none, kFlashDone,
       true, Verification::Mismatch, FailStep::Verification, 0},
      {"a reference of 0 is a reference", true, uint16_t{0}, Model("TEVOR", "DVD RW KMR5133"), none, kFlashDone,
       true, Verification::Mismatch, FailStep::Verification, 0},
      {"the drive's flash differs", false, kUpdatedSum, corrupting, none, kFlashDone, true, Verification::Mismatch,
       FailStep::Verification, 0},
      {"the read does not complete", false, kUpdatedSum, Model("TEVOR", "DVD RW KMR5133"), readFails, kFlashDone,
       true, Verification::Incomplete, FailStep::Verification, 0x031100},
      {"a failed block leaves it unread", false, kUpdatedSum, Model("TEVOR", "DVD RW KMR5133"),
       [](emu::Drive& d) { d.FailNth(0xFA, 3, {0x03, 0x0C, 0x00}); }, kFlashFailed, false, Verification::NotRead,
       FailStep::Block, 0x030C00},
      {"a wrong drive leaves it unread", false, kUpdatedSum, Model("OTHER", "DVD RW KMR5133"), none,
       kFlashWrongDrive, false, Verification::NotRead, FailStep::None, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(GetParam(), {c.drive});
    emu::Drive& drive = *rig.drives[0];
    c.script(drive);
    auto worker = rig.MakeWorker(0);
    ASSERT_TRUE(worker.exec->StartJob(0, c.wanted, c.reference));
    worker.exec->WaitJobEnd();
    const JobRecord& job = worker.exec->LastJob();
    EXPECT_EQ(worker.exec->Outcome(), c.outcome);
    EXPECT_EQ(job.checksumRead, c.read);
    EXPECT_EQ(job.checksumComplete, c.read && c.sense == 0);
    if (job.checksumComplete) {
      EXPECT_EQ(job.checksum, testing::FlashSum(drive.Flash()));
    }
    EXPECT_EQ(job.verification, c.verdict);
    EXPECT_EQ(job.step, c.step);
    EXPECT_EQ(job.sense, c.sense);
  }
}

TEST_P(Worker, SecondJobRepeatsTheWholeSequence) {
  Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
  emu::Drive& drive = *rig.drives[0];
  auto worker = rig.MakeWorker(0);

  ASSERT_TRUE(worker.exec->StartJob(0, false));
  worker.exec->WaitJobEnd();
  EXPECT_EQ(worker.exec->Outcome(), kFlashDone);
  const auto firstLog = Opcodes(drive.Log());
  drive.ClearLog();
  drive.SetMedium(emu::Medium::Ready);  // the operator closes the tray the first job opened
  rig.table.SetName(0, "stale");

  // Handed over as soon as the first job has ended: the worker is waited for until suspended.
  ASSERT_TRUE(worker.exec->StartJob(0, true));
  worker.exec->WaitJobEnd();
  EXPECT_EQ(worker.exec->Outcome(), kFlashDone);
  EXPECT_EQ(rig.table.Name(0), "TEVOR   DVD RW KMR5133");
  auto secondLog = Opcodes(drive.Log());
  secondLog.resize(firstLog.size());  // then the checksum reads this job asked for
  EXPECT_EQ(secondLog, firstLog);
  EXPECT_EQ(firstLog, FlashOpcodes(49));
  std::vector<uint32_t> twice = LoopSleeps(48);
  const auto again = LoopSleeps(48);
  twice.insert(twice.end(), again.begin(), again.end());
  EXPECT_EQ(worker.clock->Sleeps(), twice);
  EXPECT_EQ(worker.exec->Checksum(), testing::FlashSum(drive.Flash()));
}

TEST(WorkerHandOff, BusyWorkerIsLeftAlone) {
  Rig rig(kPassThrough, {Model("TEVOR", "DVD RW KMR5133")});
  test_support::ScriptedClock clock(rig.machine);
  clock.Hold(kRestartWaitFirstMs);  // the worker stays in its restart wait
  AspiExec worker(*rig.layer, clock, rig.table);
  EXPECT_EQ(worker.Outcome(), kFlashNoJobYet);
  EXPECT_TRUE(worker.Suspended());
  EXPECT_EQ(worker.Priority(), platform::tpNormal);

  ASSERT_TRUE(worker.StartJob(0, false));
  clock.WaitUntilHeld();
  EXPECT_TRUE(worker.Go());
  EXPECT_FALSE(worker.StartJob(0, true));  // still busy: nothing changes
  EXPECT_FALSE(worker.ChecksumWanted());
  clock.Release();
  worker.WaitJobEnd();
  EXPECT_EQ(worker.Outcome(), kFlashDone);
  EXPECT_EQ(Opcodes(rig.drives[0]->Log()), FlashOpcodes(49));  // one job, no checksum read
}

// The entry index chooses the table entries written; the device index the drive opened.
TEST(WorkerHandOff, EntryIndexChoosesTheTableEntry) {
  Rig rig(kPassThrough, {Model("TEVOR", "DVD RW KMR5133"), Model("OTHER", "X")});
  auto worker = rig.MakeWorker(1);
  ASSERT_TRUE(worker.exec->StartJob(7, false));
  worker.exec->WaitJobEnd();
  EXPECT_EQ(worker.exec->Outcome(), kFlashWrongDrive);
  EXPECT_EQ(rig.table.Wrong(7), 1);
  EXPECT_EQ(rig.table.Name(7), "OTHER   X");
  EXPECT_EQ(rig.table.Wrong(1), 0);
  EXPECT_TRUE(rig.drives[0]->Log().empty());
}

TEST(WorkerHandOff, DestroysInEveryState) {
  Rig rig(kPassThrough, {Model("TEVOR", "DVD RW KMR5133")});
  { auto neverStarted = rig.MakeWorker(0); }
  {
    auto finished = rig.MakeWorker(0);
    ASSERT_TRUE(finished.exec->StartJob(0, false));
    finished.exec->WaitJobEnd();
  }
  {
    auto running = rig.MakeWorker(0);  // destroyed while its job may still run: waits for it
    ASSERT_TRUE(running.exec->StartJob(0, false));
  }
  EXPECT_EQ(Opcodes(rig.drives[0]->Log()).front(), 0x12);
}

}  // namespace
}  // namespace update

namespace update {
namespace {

using Kind = emu::Drive::AnswerFault::Kind;

// Whether the worker's job ends within a few seconds of real time (an ended job clears go).
bool JobEndsSoon(const AspiExec& worker) {
  for (int i = 0; i < 1000 && worker.Go(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !worker.Go();
}

// A block write that fails without sense of its own must not be judged by the 06/29 that an
// earlier command left in the device's ASPI sense area.
TEST_P(Worker, BlockWriteFailingWithoutSenseAfterReadinessAnswered0629Fails) {
  Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
  emu::Drive& drive = *rig.drives[0];
  drive.FailNth(0x00, 1, {0x06, 0x29, 0x00});
  drive.Inject({0xFA, -1, 1, Kind::NoSense, {}, 0, false});
  const JobRun run = RunOneJob(rig);
  EXPECT_EQ(run.outcome, kFlashFailed);
  EXPECT_EQ(Opcodes(drive.Log()), FlashOpcodes(1));
  EXPECT_EQ(drive.Restarts(), 0);
  EXPECT_FALSE(testing::HoldsImage(drive));
}

// The first job ends with the restart's 06/29; the second job's first block is lost.
TEST_P(Worker, SecondJobWhoseFirstBlockFailsWithoutSenseFails) {
  Rig rig(GetParam(), {Model("TEVOR", "DVD RW KMR5133")});
  emu::Drive& drive = *rig.drives[0];
  auto worker = rig.MakeWorker(0);
  ASSERT_TRUE(worker.exec->StartJob(0, false));
  worker.exec->WaitJobEnd();
  ASSERT_EQ(worker.exec->Outcome(), kFlashDone);
  ASSERT_EQ(drive.Restarts(), 1);
  drive.SetMedium(emu::Medium::Ready);
  drive.ClearLog();
  drive.Inject({0xFA, -1, 50, Kind::NoSense, {}, 0, false});

  ASSERT_TRUE(worker.exec->StartJob(0, false));
  worker.exec->WaitJobEnd();
  EXPECT_EQ(worker.exec->Outcome(), kFlashFailed);
  EXPECT_EQ(Opcodes(drive.Log()), FlashOpcodes(1));
  EXPECT_EQ(drive.Restarts(), 1);
}

TEST_P(Worker, JobThatThrowsStillEndsAsAFailure) {
  emu::DriveConfig config = Model("TEVOR", "DVD RW KMR5133");
  config.restartBusyMs = 0;  // the job that throws skips the restart wait; the next one need not wait
  Rig rig(GetParam(), {config});
  emu::Drive& drive = *rig.drives[0];
  test_support::ScriptedClock clock(rig.machine);
  clock.ThrowOnce(kRestartWaitFirstMs);
  AspiExec worker(*rig.layer, clock, rig.table);

  ASSERT_TRUE(worker.StartJob(0, false));
  ASSERT_TRUE(JobEndsSoon(worker));
  EXPECT_EQ(worker.Outcome(), kFlashFailed);  // though the drive took the image: the job did not end
  EXPECT_EQ(rig.machine.OpenDeviceHandles(), 0u);
  EXPECT_FALSE(worker.Finished());

  // The worker serves the next job.
  drive.SetMedium(emu::Medium::Ready);
  ASSERT_TRUE(worker.StartJob(0, false));
  ASSERT_TRUE(JobEndsSoon(worker));
  EXPECT_EQ(worker.Outcome(), kFlashDone);
  EXPECT_EQ(drive.Restarts(), 2);
  EXPECT_TRUE(testing::HoldsImage(drive));
}

std::vector<uint8_t> RawInquiry(const std::string& vendorAndProduct) {
  std::vector<uint8_t> bytes(8, 0);
  bytes[0] = 0x05;
  bytes.insert(bytes.end(), vendorAndProduct.begin(), vendorAndProduct.end());
  bytes.resize(36, ' ');
  return bytes;
}

// The drive name is INQUIRY's vendor and product up to the first NUL, without leading and
// trailing blanks and control characters, DEL among them; inner ones stay.
TEST(WorkerDriveName, IsTrimmedOfBlanksAndControlCharacters) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string fields;  // bytes 8 to 31
    std::string driveName;
    FlashResult outcome;
  } cases[] = {
      {"padded with blanks", "TEVOR   DVD RW KMR5133  "s, "TEVOR   DVD RW KMR5133", kFlashDone},
      {"trailing DEL", "TEVOR   DVD RW KMR5133\x7F\x7F"s, "TEVOR   DVD RW KMR5133", kFlashDone},
      {"trailing DEL and controls mixed", "TEVOR   DVD RW KMR5133\x7F\t"s, "TEVOR   DVD RW KMR5133", kFlashDone},
      {"leading blanks, controls and DEL", " \x7F\x01\tTEVORDVD RW KMR5133 "s, "TEVORDVD RW KMR5133",
       kFlashWrongDrive},
      {"inner DEL and blanks kept", "TEVOR\x7F  DVD RW KMR5133  "s, "TEVOR\x7F  DVD RW KMR5133", kFlashDone},
      {"NUL inside the vendor", "TEV\0OR  DVD RW KMR5133  "s, "TEV", kFlashWrongDrive},
      {"nothing but DEL and controls", std::string(12, '\x7F') + std::string(12, '\x1F'), "", kFlashWrongDrive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.fields.size(), 24u);
    emu::DriveConfig config = Model("TEVOR", "DVD RW KMR5133");
    config.rawInquiry = RawInquiry(c.fields);
    Rig rig(kPassThrough, {config});
    const JobRun run = RunOneJob(rig);
    EXPECT_EQ(run.name, c.driveName);
    EXPECT_EQ(run.outcome, c.outcome);
  }
}

}  // namespace
}  // namespace update
