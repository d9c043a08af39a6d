// The emulated ASPI manager through the machine's library: loading and entry points, support
// information, device types, pending requests completed by the manager thread, the synchronous
// option, never-completing requests and aborts, and the deterministic virtual-time rules.
#include <gtest/gtest.h>

#include "emu/aspi_entry.h"
#include "machine_test_util.h"

namespace emu {
namespace {

using platform::Handle;
using platform::SrbExecScsiCmd;

class AspiMachine : public testing::Test {
 protected:
  AspiMachine() {
    machine_.SetPlatformId(platform::kPlatformWin32Windows);
    machine_.AddAspiAdapter();
    machine_.AddAspiAdapter();
    machine_.AddAspiTarget(0, 1, platform::kDeviceTypeCdrom, drive_);
    machine_.AddAspiTarget(0, 3, 0x00);  // a disk: a device type, no emulated drive
    machine_.AddAspiTarget(1, 0, platform::kDeviceTypeCdrom, std::make_shared<Drive>());
  }
  void Load() {
    module_ = machine_.LoadLibraryA("WNASPI32.DLL");
    ASSERT_NE(module_, 0);
    support_ = reinterpret_cast<platform::GetAspi32SupportInfoFn>(machine_.GetProcAddress(module_, "GetASPI32SupportInfo"));
    send_ = reinterpret_cast<platform::SendAspi32CommandFn>(machine_.GetProcAddress(module_, "SendASPI32Command"));
    ASSERT_NE(support_, nullptr);
    ASSERT_NE(send_, nullptr);
  }
  SrbExecScsiCmd Srb(const test::Cdb& cdb, uint8_t* data = nullptr, uint32_t length = 0, uint8_t direction = 0,
                     int adapter = 0, int target = 1) {
    return test::ExecSrb(adapter, target, cdb, data, length, direction, event_);
  }
  SrbExecScsiCmd Inquiry() { return Srb(test::InquiryCdb(36), inquiry_.data(), 36, platform::kSrbDirIn); }

  Machine machine_;
  std::shared_ptr<Drive> drive_ = std::make_shared<Drive>();
  platform::Module module_ = 0;
  platform::GetAspi32SupportInfoFn support_ = nullptr;
  platform::SendAspi32CommandFn send_ = nullptr;
  Handle event_ = machine_.CreateEventA(true, false);
  std::array<uint8_t, 36> inquiry_{};
};

TEST(AspiLibrary, LoadsOnlyByItsName) {
  struct Case {
    const char* name;
    bool present;
    bool loads;
  };
  const Case cases[] = {{"WNASPI32.DLL", true, true},  {"wnaspi32.dll", true, true}, {"WNASPI32", true, false},
                        {"KERNEL32.DLL", true, false}, {nullptr, true, false},      {"WNASPI32.DLL", false, false}};
  for (const Case& c : cases) {
    Machine machine;
    machine.SetAspi(AspiOptions{.libraryPresent = c.present});
    EXPECT_EQ(machine.LoadLibraryA(c.name) != 0, c.loads) << (c.name ? c.name : "null");
    EXPECT_EQ(machine.AspiLoaded(), c.loads);
  }
}

TEST(AspiLibrary, EntryPointsByOption) {
  struct Case {
    bool supportInfo;
    bool sendCommand;
  };
  for (const Case c : {Case{true, true}, Case{false, true}, Case{true, false}}) {
    Machine machine;
    machine.SetAspi(AspiOptions{.hasSupportInfo = c.supportInfo, .hasSendCommand = c.sendCommand});
    const platform::Module module = machine.LoadLibraryA("WNASPI32.DLL");
    EXPECT_EQ(machine.GetProcAddress(module, "GetASPI32SupportInfo") != nullptr, c.supportInfo);
    EXPECT_EQ(machine.GetProcAddress(module, "SendASPI32Command") != nullptr, c.sendCommand);
    EXPECT_EQ(machine.GetProcAddress(module, "getaspi32supportinfo"), nullptr);
    EXPECT_EQ(machine.GetProcAddress(module, nullptr), nullptr);
    EXPECT_EQ(machine.GetProcAddress(module + 1, "SendASPI32Command"), nullptr);
  }
}

TEST(AspiLibrary, FreeLibraryIsCounted) {
  Machine machine;
  const platform::Module module = machine.LoadLibraryA("WNASPI32.DLL");
  EXPECT_EQ(machine.FreeLibrary(module), 1);
  EXPECT_FALSE(machine.AspiLoaded());
  EXPECT_EQ(machine.GetProcAddress(module, "SendASPI32Command"), nullptr);
  EXPECT_EQ(machine.FreeLibrary(module), 0);
  EXPECT_EQ(machine.FreeLibraryCalls(), 2);
}

// The C entry points serve one machine at a time.
TEST(AspiLibrary, OneMachineAtATime) {
  auto first = std::make_unique<Machine>();
  first->AddAspiAdapter();
  ASSERT_NE(first->LoadLibraryA("WNASPI32.DLL"), 0);
  Machine second;
  EXPECT_EQ(second.LoadLibraryA("WNASPI32.DLL"), 0);
  EXPECT_EQ(kGetSupportInfoEntry(), 0x0101u);
  first.reset();
  EXPECT_EQ(kGetSupportInfoEntry(), 0u);  // no manager: unusable status
  EXPECT_NE(second.LoadLibraryA("WNASPI32.DLL"), 0);
}

TEST(AspiLibrary, SupportInfo) {
  struct Case {
    uint8_t status;
    int adapters;
    uint32_t expected;
  };
  for (const Case c : {Case{platform::kSsComp, 2, 0x0102}, Case{platform::kSsComp, 0, 0x0100}, Case{0xE8, 3, 0xE803}}) {
    Machine machine;
    machine.SetAspi(AspiOptions{.supportStatus = c.status});
    for (int i = 0; i < c.adapters; ++i) machine.AddAspiAdapter();
    const platform::Module module = machine.LoadLibraryA("WNASPI32.DLL");
    auto support = reinterpret_cast<platform::GetAspi32SupportInfoFn>(machine.GetProcAddress(module, "GetASPI32SupportInfo"));
    EXPECT_EQ(support(), c.expected);
  }
}

TEST_F(AspiMachine, DeviceTypes) {
  Load();
  struct Case {
    uint8_t adapter;
    uint8_t target;
    uint8_t lun;
    uint8_t status;
    uint8_t type;
  };
  const Case cases[] = {{0, 1, 0, platform::kSsComp, 5},      {0, 3, 0, platform::kSsComp, 0},
                        {1, 0, 0, platform::kSsComp, 5},      {0, 0, 0, platform::kSsNoDevice, 0xEE},
                        {0, 1, 1, platform::kSsNoDevice, 0xEE}, {2, 0, 0, platform::kSsInvalidHa, 0xEE}};
  for (const Case& c : cases) {
    platform::SrbGetDevType srb{};
    srb.SRB_Cmd = platform::kScGetDevType;
    srb.SRB_HaId = c.adapter;
    srb.SRB_Target = c.target;
    srb.SRB_Lun = c.lun;
    srb.SRB_DeviceType = 0xEE;
    EXPECT_EQ(send_(&srb), c.status) << int{c.adapter} << ":" << int{c.target};
    EXPECT_EQ(srb.SRB_Status, c.status);
    EXPECT_EQ(srb.SRB_DeviceType, c.type);
  }
}

TEST_F(AspiMachine, PendingRequestCompletesFromTheManager) {
  Load();
  drive_->SetLatencyMs(300);
  machine_.Sleep(1000);
  SrbExecScsiCmd srb = Inquiry();
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  // Nothing is written before the host's time has come.
  EXPECT_EQ(test::StatusOf(srb), platform::kSsPending);
  EXPECT_EQ(inquiry_[0], 0);
  EXPECT_EQ(machine_.HeldAspiRequests(), 1u);

  EXPECT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitObject0);
  EXPECT_EQ(machine_.NowMs(), 1300u);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsComp);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  EXPECT_EQ(inquiry_[0], 0x05);
  EXPECT_EQ(machine_.HeldAspiRequests(), 0u);

  const auto log = drive_->Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].cdb, test::InquiryCdb(36));
  EXPECT_EQ(log[0].transport, Transport::Aspi);
  EXPECT_EQ(log[0].timeoutSeconds, 0u);
  EXPECT_EQ(log[0].atMs, 1000u);
  EXPECT_EQ(log[0].direction, 8);
  EXPECT_EQ(log[0].transferLength, 36u);
}

TEST_F(AspiMachine, DirectionFromFlags) {
  Load();
  const test::TestImage image = test::MakeImage(1);
  std::vector<uint8_t> block(image.bytes);
  struct Case {
    test::Cdb cdb;
    uint8_t flags;
    uint32_t length;
    uint8_t direction;
  };
  const Case cases[] = {{test::InquiryCdb(36), platform::kSrbDirIn, 36, 8},
                        {test::WriteBlockCdb(image.a, image.b, 0, 1), platform::kSrbDirOut, 16384, 16},
                        {test::TestUnitReadyCdb(), 0, 0, 0},
                        {test::TestUnitReadyCdb(), platform::kSrbDirIn | platform::kSrbDirOut, 0, 0}};
  for (const Case& c : cases) {
    SrbExecScsiCmd srb = Srb(c.cdb, c.length == 36 ? inquiry_.data() : block.data(), c.length, c.flags);
    ASSERT_EQ(send_(&srb), platform::kSsPending);
    ASSERT_EQ(machine_.WaitForSingleObject(event_, 60000), platform::kWaitObject0);
    machine_.ResetEvent(event_);
  }
  const auto log = drive_->Log();
  ASSERT_EQ(log.size(), std::size(cases));
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].direction, cases[i].direction) << i;
    EXPECT_EQ(log[i].transferLength, cases[i].length) << i;
  }
  EXPECT_EQ(drive_->Restarts(), 1);  // the data-out block reached the drive whole
}

TEST_F(AspiMachine, CheckConditionFillsTheSenseAreaAndGoodOnesLeaveIt) {
  Load();
  drive_->SetMedium(Medium::TrayOpen);
  SrbExecScsiCmd srb = Srb(test::TestUnitReadyCdb());
  std::memset(srb.SenseArea, 0xEE, sizeof(srb.SenseArea));
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  ASSERT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitObject0);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsErr);
  EXPECT_EQ(srb.SRB_TargStat, 2);
  const SenseBlock sense = FixedSense(kSenseTrayOpen);
  for (size_t i = 0; i < sizeof(srb.SenseArea); ++i) {
    const uint8_t want = i < sense.size() ? sense[i] : (i < 32 ? 0 : 0xEE);
    ASSERT_EQ(srb.SenseArea[i], want) << i;
  }

  drive_->SetMedium(Medium::Ready);
  machine_.ResetEvent(event_);
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  ASSERT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitObject0);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsComp);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  EXPECT_EQ(srb.SenseArea[12], 0x3A);  // still the earlier command's sense
}

// The request record has no count of the bytes moved (residual counting is not asked for): a
// data phase cut short is the host adapter's data overrun or underrun, with the drive's GOOD.
TEST_F(AspiMachine, ShortTransferIsADataUnderrun) {
  Load();
  drive_->Inject({0x12, -1, 1, Drive::AnswerFault::Kind::ShortTransfer, {}, 0, false, 10});
  inquiry_.fill(0xEE);
  SrbExecScsiCmd srb = Inquiry();
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  ASSERT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitObject0);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsErr);
  EXPECT_EQ(srb.SRB_HaStat, 0x12);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  EXPECT_EQ(srb.SRB_BufLen, 36u);
  EXPECT_EQ(inquiry_[0], 0x05);
  EXPECT_EQ(inquiry_[10], 0xEE);
}

TEST_F(AspiMachine, SynchronousOption) {
  machine_.SetAspi(AspiOptions{.completeSynchronously = true});
  Load();
  drive_->SetLatencyMs(250);
  SrbExecScsiCmd srb = Inquiry();
  EXPECT_EQ(send_(&srb), platform::kSsComp);
  EXPECT_EQ(inquiry_[0], 0x05);
  EXPECT_EQ(machine_.NowMs(), 250u);
  drive_->SetMedium(Medium::NoMedium);
  SrbExecScsiCmd tur = Srb(test::TestUnitReadyCdb());
  EXPECT_EQ(send_(&tur), platform::kSsErr);
  EXPECT_EQ(tur.SenseArea[12], 0x3A);
  EXPECT_EQ(machine_.HeldAspiRequests(), 0u);
}

TEST_F(AspiMachine, RejectedAtOnce) {
  Load();
  struct Case {
    const char* name;
    SrbExecScsiCmd srb;
    uint8_t status;
  };
  SrbExecScsiCmd noEvent = Inquiry();
  noEvent.SRB_PostProc = reinterpret_cast<void*>(Handle{0x7777});
  SrbExecScsiCmd noCdb = Inquiry();
  noCdb.SRB_CDBLen = 0;
  SrbExecScsiCmd noBuffer = Inquiry();
  noBuffer.SRB_BufPointer = nullptr;
  SrbExecScsiCmd huge = Inquiry();
  huge.SRB_BufLen = 0xFFFFFFFF;
  SrbExecScsiCmd lun = Inquiry();
  lun.SRB_Lun = 2;
  Case cases[] = {{"bad adapter", Srb(test::InquiryCdb(36), inquiry_.data(), 36, 8, 5, 1), platform::kSsInvalidHa},
                  {"no target", Srb(test::InquiryCdb(36), inquiry_.data(), 36, 8, 0, 6), platform::kSsNoDevice},
                  {"no drive", Srb(test::InquiryCdb(36), inquiry_.data(), 36, 8, 0, 3), platform::kSsNoDevice},
                  {"lun", lun, platform::kSsNoDevice},
                  {"not an event", noEvent, platform::kSsInvalidSrb},
                  {"cdb length 0", noCdb, platform::kSsInvalidSrb},
                  {"no buffer", noBuffer, platform::kSsInvalidSrb},
                  {"huge buffer", huge, platform::kSsInvalidSrb}};
  for (Case& c : cases) {
    EXPECT_EQ(send_(&c.srb), c.status) << c.name;
    EXPECT_EQ(test::StatusOf(c.srb), c.status) << c.name;
  }
  uint8_t unknown[64] = {7};
  EXPECT_EQ(send_(unknown), platform::kSsInvalidSrb);
  EXPECT_EQ(send_(nullptr), platform::kSsInvalidSrb);
  EXPECT_TRUE(drive_->Log().empty());
  EXPECT_EQ(machine_.HeldAspiRequests(), 0u);
}

// Without event notification the host polls; the request completes when its clock gets there.
TEST_F(AspiMachine, PolledRequestCompletesWhenTheIssuerSleepsPastIt) {
  Load();
  drive_->SetLatencyMs(100);
  SrbExecScsiCmd srb = Inquiry();
  srb.SRB_Flags = platform::kSrbDirIn;
  srb.SRB_PostProc = nullptr;
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  machine_.Sleep(99);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsPending);
  machine_.Sleep(1);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsComp);
  EXPECT_EQ(inquiry_[0], 0x05);
}

platform::SrbAbort AbortOf(SrbExecScsiCmd& request) {
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = request.SRB_HaId;
  abort.SRB_ToAbort = &request;
  return abort;
}

TEST_F(AspiMachine, SlowRequestTimesOutAndIsAborted) {
  Load();
  drive_->SetLatencyMs(20000);
  SrbExecScsiCmd srb = Inquiry();
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  EXPECT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitTimeout);
  EXPECT_EQ(machine_.NowMs(), 15000u);
  platform::SrbAbort abort = AbortOf(srb);
  EXPECT_EQ(send_(&abort), platform::kSsComp);
  EXPECT_EQ(abort.SRB_Status, platform::kSsComp);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsAborted);
  machine_.Sleep(10000);  // past its completion time: it stays aborted and its event is never set
  EXPECT_EQ(test::StatusOf(srb), platform::kSsAborted);
  EXPECT_EQ(machine_.WaitForSingleObject(event_, 0), platform::kWaitTimeout);
  EXPECT_EQ(inquiry_[0], 0);
  EXPECT_EQ(machine_.HeldAspiRequests(), 0u);
}

TEST_F(AspiMachine, NeverCompletingRequestAndTheAbortOptions) {
  struct Case {
    bool accepted;
    bool completes;
    uint8_t abortStatus;
    uint8_t requestStatus;
    size_t held;
  };
  const Case cases[] = {{true, true, platform::kSsComp, platform::kSsAborted, 0},
                        {true, false, platform::kSsComp, platform::kSsPending, 0},
                        {false, true, platform::kSsAbortFail, platform::kSsPending, 1}};
  Load();
  int n = 0;
  for (const Case& c : cases) {
    machine_.SetAspi(AspiOptions{.abortAccepted = c.accepted, .abortCompletesRequest = c.completes});
    drive_->NeverCompleteNth(0x12, ++n);
    SrbExecScsiCmd srb = Inquiry();
    ASSERT_EQ(send_(&srb), platform::kSsPending);
    const uint64_t before = machine_.NowMs();
    EXPECT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitTimeout);
    EXPECT_EQ(machine_.NowMs() - before, 15000u);
    platform::SrbAbort abort = AbortOf(srb);
    EXPECT_EQ(send_(&abort), c.abortStatus);
    EXPECT_EQ(test::StatusOf(srb), c.requestStatus);
    machine_.Sleep(60000);
    EXPECT_EQ(test::StatusOf(srb), c.requestStatus);
    EXPECT_EQ(machine_.HeldAspiRequests(), c.held);
    if (c.held > 0) {  // let the next case start clean
      machine_.SetAspi(AspiOptions{});
      send_(&abort);
    }
  }
  EXPECT_EQ(drive_->Log().size(), 3u);
}

// The host's abort loop: poll the aborted request every 10 ms for up to 10 s of the time of day.
// Virtual time makes the number of polls exact.
TEST_F(AspiMachine, AbortLoopRunsTheSameEveryTime) {
  machine_.SetAspi(AspiOptions{.abortCompletesRequest = false});
  machine_.SetTimeOfDayBase(43200);
  Load();
  drive_->NeverCompleteNth(0x00, 1);
  SrbExecScsiCmd srb = Srb(test::TestUnitReadyCdb());
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  ASSERT_EQ(machine_.WaitForSingleObject(event_, 50000), platform::kWaitTimeout);
  platform::SrbAbort abort = AbortOf(srb);
  ASSERT_EQ(send_(&abort), platform::kSsComp);
  const uint32_t start = platform::TimeOfDaySeconds(machine_);
  while (test::StatusOf(srb) == platform::kSsPending && platform::TimeOfDaySeconds(machine_) - start <= 10) {
    machine_.Sleep(10);
  }
  EXPECT_EQ(machine_.SleepsOfThisThread().size(), 1100u);
  EXPECT_EQ(machine_.NowMs(), 61000u);
}

TEST_F(AspiMachine, RefusedAbortLeavesTheRequestToCompleteLate) {
  machine_.SetAspi(AspiOptions{.abortAccepted = false});
  Load();
  drive_->SetLatencyMs(20000);
  SrbExecScsiCmd srb = Inquiry();
  ASSERT_EQ(send_(&srb), platform::kSsPending);
  EXPECT_EQ(machine_.WaitForSingleObject(event_, 15000), platform::kWaitTimeout);
  platform::SrbAbort abort = AbortOf(srb);
  EXPECT_EQ(send_(&abort), platform::kSsAbortFail);
  machine_.Sleep(4999);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsPending);
  machine_.Sleep(1);
  EXPECT_EQ(test::StatusOf(srb), platform::kSsComp);
  EXPECT_EQ(machine_.WaitForSingleObject(event_, 0), platform::kWaitObject0);
}

TEST_F(AspiMachine, AbortOnABadAdapter) {
  Load();
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = 9;
  EXPECT_EQ(send_(&abort), platform::kSsInvalidHa);
}

}  // namespace
}  // namespace emu
