// The stand-alone emulated ASPI manager over real threads and (fake) real events: configured from a
// file, it answers SC_GET_DEV_TYPE and SC_EXEC_SCSI_CMD, completes requests from its own thread and
// sets their events, logs each command with its outcome, writes a drive's flash and status files
// after a firmware commit and at the end, and refuses to start on a missing or wrong file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "emu/dll/manager_library.h"
#include "emu_test_util.h"
#include "platform/threads.h"
#include "scoped_temp_dir.h"

namespace emu::dll {
namespace {

namespace fs = std::filesystem;
using platform::SrbExecScsiCmd;

// Events as the test process has them; waits are bounded only so that a fault fails instead of hanging.
class FakeEvents final : public RealEvents {
 public:
  platform::Handle Create() {
    std::lock_guard lock(mutex_);
    const platform::Handle h = next_++;
    set_[h] = false;
    return h;
  }
  bool Wait(platform::Handle h) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return set_[h]; });
  }
  void Reset(platform::Handle h) {
    std::lock_guard lock(mutex_);
    set_[h] = false;
  }
  uint64_t TickMs() override {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
  }
  bool IsEvent(platform::Handle h) override {
    std::lock_guard lock(mutex_);
    return set_.count(h) != 0;
  }
  void Set(platform::Handle h) override {
    {
      std::lock_guard lock(mutex_);
      set_[h] = true;
    }
    changed_.notify_all();
  }

 private:
  platform::Lock mutex_;
  platform::WakeSignal changed_;
  std::map<platform::Handle, bool> set_;
  platform::Handle next_ = 100;
};

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::vector<std::string> Lines(const fs::path& file) {
  std::istringstream in(ReadText(file));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Hex(const test::Cdb& cdb) {
  std::string out;
  for (const uint8_t b : cdb) {
    out.push_back("0123456789ABCDEF"[b >> 4]);
    out.push_back("0123456789ABCDEF"[b & 15]);
  }
  return out;
}

// The log line without its time field.
std::string Untimed(const std::string& line) { return line.substr(0, line.rfind(" t=")); }

constexpr const char* kConfig = R"(adapters 2
[drive d0]
at 0 1
vendor TEVOR
product DVD RW KMR5133
revision 1.00
latency 30
[drive d1]
at 1 0
product HTL6190B
seed 9
fail 00 1 02/3A/00
never 00 2
[device disk]
at 0 3
)";

class ManagerLibraryTest : public testing::Test {
 protected:
  void TearDown() override {
    library_.reset();  // closes its files: Windows removes no open file
  }
  void Start(const std::string& config) {
    std::ofstream((dir_ / "emu.cfg").string()) << config;
    library_ = std::make_unique<ManagerLibrary>(events_, (dir_ / "emu.cfg").string());
  }
  SrbExecScsiCmd Srb(int adapter, int target, const test::Cdb& cdb, uint8_t* data, uint32_t length, uint8_t dir) {
    return test::ExecSrb(adapter, target, cdb, data, length, dir, event_);
  }
  // Sends and, when pending, waits for the event as the program does; returns SRB_Status.
  uint8_t Run(SrbExecScsiCmd& srb) {
    const uint32_t answer = library_->SendCommand(&srb);
    if (answer == platform::kSsPending) {
      EXPECT_TRUE(events_.Wait(event_));
      events_.Reset(event_);
    }
    return std::atomic_ref<uint8_t>(srb.SRB_Status).load();
  }
  std::vector<std::string> Log() {
    std::vector<std::string> out;
    for (const std::string& line : Lines(dir_ / "commands.log")) out.push_back(Untimed(line));
    return out;
  }

  testfs::ScopedTempDir folder_;
  const fs::path dir_ = folder_.path();
  FakeEvents events_;
  platform::Handle event_ = events_.Create();
  std::unique_ptr<ManagerLibrary> library_;
};

TEST_F(ManagerLibraryTest, AdaptersAndDeviceTypes) {
  Start(kConfig);
  ASSERT_TRUE(library_->Errors().empty()) << library_->Errors().front();
  EXPECT_EQ(library_->SupportInfo(), 0x0102u);
  struct Case {
    uint8_t adapter, target, status, type;
  };
  const Case cases[] = {{0, 1, platform::kSsComp, 5},
                        {1, 0, platform::kSsComp, 5},
                        {0, 3, platform::kSsComp, 0},
                        {0, 0, platform::kSsNoDevice, 0xEE},
                        {2, 0, platform::kSsInvalidHa, 0xEE}};
  for (const Case& c : cases) {
    platform::SrbGetDevType srb{};
    srb.SRB_Cmd = platform::kScGetDevType;
    srb.SRB_HaId = c.adapter;
    srb.SRB_Target = c.target;
    srb.SRB_DeviceType = 0xEE;
    EXPECT_EQ(library_->SendCommand(&srb), c.status);
    EXPECT_EQ(srb.SRB_DeviceType, c.type);
  }
}

TEST_F(ManagerLibraryTest, CommandsCompleteWithTheirEventAndAreLogged) {
  Start(kConfig);
  std::array<uint8_t, 36> data{};
  SrbExecScsiCmd inquiry = Srb(0, 1, test::InquiryCdb(36), data.data(), 36, platform::kSrbDirIn);
  EXPECT_EQ(Run(inquiry), platform::kSsComp);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&data[8]), 28), "TEVOR   DVD RW KMR5133  1.00");

  SrbExecScsiCmd unready = Srb(1, 0, test::TestUnitReadyCdb(), nullptr, 0, 0);
  EXPECT_EQ(Run(unready), platform::kSsErr);
  EXPECT_EQ(unready.SenseArea[12], 0x3A);

  SrbExecScsiCmd nobody = Srb(0, 3, test::TestUnitReadyCdb(), nullptr, 0, 0);
  EXPECT_EQ(library_->SendCommand(&nobody), platform::kSsNoDevice);

  EXPECT_EQ(Log(), (std::vector<std::string>{"d0 120000002400000000000000 in 36 GOOD",
                                             "d1 000000000000000000000000 none 0 CHECK:02/3A/00",
                                             "disk 000000000000000000000000 none 0 STATUS:82"}));
}

TEST_F(ManagerLibraryTest, ARequestThatNeverCompletesIsAborted) {
  Start(kConfig);
  SrbExecScsiCmd first = Srb(1, 0, test::TestUnitReadyCdb(), nullptr, 0, 0);
  Run(first);
  SrbExecScsiCmd stuck = Srb(1, 0, test::TestUnitReadyCdb(), nullptr, 0, 0);
  ASSERT_EQ(library_->SendCommand(&stuck), platform::kSsPending);
  platform::SrbAbort abort{};
  abort.SRB_Cmd = platform::kScAbortSrb;
  abort.SRB_HaId = 1;
  abort.SRB_ToAbort = &stuck;
  EXPECT_EQ(library_->SendCommand(&abort), platform::kSsComp);
  EXPECT_EQ(std::atomic_ref<uint8_t>(stuck.SRB_Status).load(), platform::kSsAborted);
  EXPECT_EQ(Log().back(), "d1 000000000000000000000000 none 0 ABORTED");
}

TEST_F(ManagerLibraryTest, APolledRequestCompletesWithoutAnEvent) {
  Start(kConfig);
  SrbExecScsiCmd polled = Srb(0, 1, test::TestUnitReadyCdb(), nullptr, 0, 0);
  polled.SRB_Flags = 0;
  polled.SRB_PostProc = nullptr;
  ASSERT_EQ(library_->SendCommand(&polled), platform::kSsPending);
  for (int i = 0; i < 20000 && std::atomic_ref<uint8_t>(polled.SRB_Status).load() == platform::kSsPending; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(std::atomic_ref<uint8_t>(polled.SRB_Status).load(), platform::kSsComp);
  EXPECT_EQ(Log(), (std::vector<std::string>{"d0 000000000000000000000000 none 0 POLLED"}));
}

TEST_F(ManagerLibraryTest, ACommitWritesTheDriveFilesAtOnce) {
  Start(kConfig);
  // From the start every drive's files show its old firmware.
  EXPECT_EQ(ReadText(dir_ / "d1.status"), "revision 1.00\nrestarts 0\n");
  EXPECT_EQ(fs::file_size(dir_ / "d1.flash.bin"), 0x200000u);
  EXPECT_FALSE(fs::exists(dir_ / "disk.status"));
  const test::TestImage image = test::MakeImage(2);
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> block(image.Block(i), image.Block(i) + kFirmwareBlockSize);
    SrbExecScsiCmd write = Srb(0, 1, test::WriteBlockCdb(image.a, image.b, static_cast<uint8_t>(i), 2), block.data(),
                               kFirmwareBlockSize, platform::kSrbDirOut);
    EXPECT_EQ(ReadText(dir_ / "d0.status"), "revision 1.00\nrestarts 0\n");
    Run(write);
  }
  EXPECT_EQ(ReadText(dir_ / "d0.status"), "revision 2.00\nrestarts 1\n");
  const std::string flash = ReadText(dir_ / "d0.flash.bin");
  ASSERT_EQ(flash.size(), 0x200000u);
  EXPECT_EQ(flash.compare(0, image.bytes.size(), std::string(image.bytes.begin(), image.bytes.end())), 0);
  EXPECT_EQ(ReadText(dir_ / "d1.status"), "revision 1.00\nrestarts 0\n");  // no commit there
  // The last block is answered with the restart.
  EXPECT_EQ(Log().back(), "d0 " + Hex(test::WriteBlockCdb(image.a, image.b, 1, 2)) + " out 16384 CHECK:06/29/00");
}

TEST_F(ManagerLibraryTest, TheEndWritesEveryDriveAndWhatIsPending) {
  Start(kConfig);
  SrbExecScsiCmd first = Srb(1, 0, test::TestUnitReadyCdb(), nullptr, 0, 0);
  Run(first);
  SrbExecScsiCmd stuck = Srb(1, 0, test::TestUnitReadyCdb(), nullptr, 0, 0);
  ASSERT_EQ(library_->SendCommand(&stuck), platform::kSsPending);
  for (const char* name : {"d0.status", "d1.status", "d1.flash.bin"}) fs::remove(dir_ / name);  // written at the start
  EXPECT_TRUE(library_->Finish(std::chrono::milliseconds(1000)));
  EXPECT_EQ(ReadText(dir_ / "d0.status"), "revision 1.00\nrestarts 0\n");
  EXPECT_EQ(ReadText(dir_ / "d1.status"), "revision 1.00\nrestarts 0\n");
  EXPECT_EQ(fs::file_size(dir_ / "d1.flash.bin"), 0x200000u);
  EXPECT_FALSE(fs::exists(dir_ / "disk.status"));
  EXPECT_EQ(Log().back(), "d1 000000000000000000000000 none 0 PENDING");
}

TEST_F(ManagerLibraryTest, AMissingOrWrongFileStopsTheManager) {
  Start("adapters 1\n[drive d0]\nat 0 1\nvendor MUCHTOOLONG\nfly 1\n");
  EXPECT_EQ(library_->SupportInfo() >> 8, kSsFailedInit);
  EXPECT_EQ(library_->SupportInfo() & 0xFF, 0u);
  EXPECT_EQ(ReadText(dir_ / "emu.cfg.errors"),
            "line 4: vendor has at most 8 characters\nline 5: unknown drive setting 'fly'\n");
  platform::SrbGetDevType srb{};
  srb.SRB_Cmd = platform::kScGetDevType;
  EXPECT_EQ(library_->SendCommand(&srb), platform::kSsInvalidHa);

  ManagerLibrary unset(events_, "");
  EXPECT_EQ(unset.SupportInfo(), 0xE400u);
  EXPECT_EQ(unset.Errors(), (std::vector<std::string>{"FLASH_EMU_CONFIG is not set"}));
  ManagerLibrary missing(events_, (dir_ / "none.cfg").string());
  EXPECT_EQ(missing.SupportInfo(), 0xE400u);
  EXPECT_TRUE(fs::exists(dir_ / "none.cfg.errors"));
}

// Several threads at once, as the program's workers would be without their lock: every request
// still completes and is logged once.
TEST_F(ManagerLibraryTest, ConcurrentRequestsAreEachLoggedOnce) {
  Start(kConfig);
  std::vector<platform::Thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this] {
      const platform::Handle event = events_.Create();
      for (int i = 0; i < 10; ++i) {
        std::array<uint8_t, 36> data{};
        SrbExecScsiCmd srb = Srb(0, 1, test::InquiryCdb(36), data.data(), 36, platform::kSrbDirIn);
        srb.SRB_PostProc = reinterpret_cast<void*>(event);
        ASSERT_EQ(library_->SendCommand(&srb), platform::kSsPending);
        ASSERT_TRUE(events_.Wait(event));
        events_.Reset(event);
        EXPECT_EQ(std::atomic_ref<uint8_t>(srb.SRB_Status).load(), platform::kSsComp);
      }
    });
  }
  for (platform::Thread& t : threads) t.Join();
  const std::vector<std::string> log = Log();
  EXPECT_EQ(log.size(), 40u);
  for (const std::string& line : log) EXPECT_EQ(line, "d0 120000002400000000000000 in 36 GOOD");
}

}  // namespace
}  // namespace emu::dll
