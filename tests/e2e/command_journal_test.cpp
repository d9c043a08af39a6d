// The command log's lines: fields of a request, each outcome an SRB can show, one line per request
// whichever way it ends, and PENDING for what is still outstanding at the end.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu/dll/command_journal.h"
#include "scoped_temp_dir.h"

namespace emu::dll {
namespace {

platform::SrbExecScsiCmd Request(std::vector<uint8_t> cdb, uint8_t flags, uint32_t length, platform::Handle event = 7) {
  platform::SrbExecScsiCmd srb{};
  srb.SRB_Cmd = platform::kScExecScsiCmd;
  srb.SRB_Flags = flags;
  srb.SRB_BufLen = length;
  srb.SRB_SenseLen = 32;
  srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
  srb.SRB_PostProc = reinterpret_cast<void*>(event);
  if (!cdb.empty()) std::memcpy(srb.CDBByte, cdb.data(), std::min(cdb.size(), sizeof srb.CDBByte));
  return srb;
}

std::vector<std::string> Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CommandLog, LineFields) {
  struct Case {
    std::vector<uint8_t> cdb;
    uint8_t flags;
    uint32_t length;
    const char* line;
  };
  const Case cases[] = {
      {{0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, 0x48, 36, "d0 120000002400000000000000 in 36 GOOD t=15"},
      {{0xFA, 0x51, 0xC4, 0xF9, 0xE1, 0, 1, 0x51, 0xC4, 0xF9, 0xE1, 49}, 0x50, 16384,
       "d0 FA51C4F9E1000151C4F9E131 out 16384 GOOD t=15"},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x40, 0, "d0 000000000000000000000000 none 0 GOOD t=15"},
      {{0, 0, 0, 0, 0, 0}, 0x58, 0, "d0 000000000000 both 0 GOOD t=15"},
      {{}, 0x40, 0, "d0 - none 0 GOOD t=15"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatLogLine("d0", Request(c.cdb, c.flags, c.length), "GOOD", 15), c.line);
  }
  // A CDB length beyond the record's 16 bytes shows the 16 there are.
  platform::SrbExecScsiCmd wide = Request({}, 0x40, 0);
  wide.SRB_CDBLen = 200;
  EXPECT_EQ(FormatLogLine("x", wide, "GOOD", 0), "x " + std::string(32, '0') + " none 0 GOOD t=0");
}

TEST(CommandLog, OutcomeOfTheSrb) {
  struct Case {
    uint8_t status;
    uint8_t senseLength;
    uint8_t byte2, asc, ascq;
    const char* outcome;
    uint8_t hostStatus = 0;
  };
  const Case cases[] = {
      {platform::kSsComp, 32, 0, 0, 0, "GOOD"},
      {platform::kSsErr, 32, 0x02, 0x3A, 0x00, "CHECK:02/3A/00"},
      {platform::kSsErr, 32, 0x22, 0x04, 0x01, "CHECK:22/04/01"},
      {platform::kSsErr, 13, 0x02, 0x3A, 0x00, "CHECK"},  // the host asked for too little sense
      {platform::kSsErr, 32, 0, 0, 0, "HOST:11", 0x11},    // a lost answer: selection time-out
      {platform::kSsErr, 32, 0, 0, 0, "HOST:12", 0x12},    // a data phase cut short
      {platform::kSsAborted, 32, 0, 0, 0, "ABORTED"},
      {platform::kSsNoDevice, 32, 0, 0, 0, "STATUS:82"},
      {platform::kSsInvalidSrb, 32, 0, 0, 0, "STATUS:E0"},
  };
  for (const Case& c : cases) {
    platform::SrbExecScsiCmd srb = Request({0}, 0x40, 0);
    srb.SRB_Status = c.status;
    srb.SRB_SenseLen = c.senseLength;
    srb.SRB_HaStat = c.hostStatus;
    srb.SenseArea[2] = c.byte2;
    srb.SenseArea[12] = c.asc;
    srb.SenseArea[13] = c.ascq;
    EXPECT_EQ(OutcomeOf(srb), c.outcome);
  }
}

class Journal : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(journal_.Open((dir_ / "commands.log").string(), 1000)); }
  void TearDown() override {
    journal_.Open("", 0);  // closes the log: Windows removes no open file
  }
  std::vector<std::string> Log() { return Lines(dir_ / "commands.log"); }

  testfs::ScopedTempDir folder_;
  const std::filesystem::path dir_ = folder_.path();
  CommandJournal journal_;
};

TEST_F(Journal, OneLinePerRequestWhicheverWayItEnds) {
  platform::SrbExecScsiCmd inquiry = Request({0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, 0x48, 36, 11);
  platform::SrbExecScsiCmd unready = Request({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x40, 0, 12);
  platform::SrbExecScsiCmd refused = Request({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x40, 0, 13);
  platform::SrbExecScsiCmd stuck = Request({0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x50, 16384, 14);
  platform::SrbExecScsiCmd polled = Request({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0, 0);
  platform::SrbExecScsiCmd pending = Request({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x40, 0, 15);
  journal_.Begin(&inquiry, "d0");
  journal_.Begin(&unready, "d1");
  journal_.Begin(&refused, "a1t7");
  journal_.Begin(&stuck, "d0");
  journal_.Begin(&polled, "d1");
  journal_.Begin(&pending, "d2");
  EXPECT_EQ(journal_.Outstanding(), 6u);

  inquiry.SRB_Status = platform::kSsComp;
  inquiry.CDBByte[4] = 0xEE;  // the line shows the request as handed in
  journal_.Completed(11, 1010);
  unready.SRB_Status = platform::kSsErr;
  unready.SenseArea[2] = 0x02;
  unready.SenseArea[12] = 0x3A;
  journal_.Completed(12, 1020);
  journal_.Answered(&unready, 1021);  // already written: no second line
  refused.SRB_Status = platform::kSsNoDevice;
  journal_.Answered(&refused, 1030);
  journal_.End(&stuck, "ABORTED", 1040);
  journal_.End(&stuck, "ABORTED", 1041);
  journal_.End(&polled, "POLLED", 1050);
  journal_.Completed(99, 1060);  // an event nobody waits on
  EXPECT_EQ(journal_.Outstanding(), 1u);
  ASSERT_TRUE(journal_.Finish(1070, std::chrono::milliseconds(100)));
  EXPECT_EQ(journal_.Outstanding(), 0u);

  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "d0 120000002400000000000000 in 36 GOOD t=10",
                       "d1 000000000000000000000000 none 0 CHECK:02/3A/00 t=20",
                       "a1t7 000000000000000000000000 none 0 STATUS:82 t=30",
                       "d0 FA0000000000000000000000 out 16384 ABORTED t=40",
                       "d1 000000000000000000000000 none 0 POLLED t=50",
                       "d2 000000000000000000000000 none 0 PENDING t=70",
                   }));
}

TEST_F(Journal, AnEventReusedLaterMatchesTheOldestRequest) {
  platform::SrbExecScsiCmd first = Request({0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}, 0x48, 36, 5);
  platform::SrbExecScsiCmd second = Request({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x40, 0, 5);
  journal_.Begin(&first, "d0");
  journal_.Begin(&second, "d0");
  first.SRB_Status = platform::kSsComp;
  journal_.Completed(5, 1001);
  second.SRB_Status = platform::kSsComp;
  journal_.Completed(5, 1002);
  EXPECT_EQ(Log(), (std::vector<std::string>{"d0 120000002400000000000000 in 36 GOOD t=1",
                                             "d0 000000000000000000000000 none 0 GOOD t=2"}));
}

TEST(CommandLogFile, AnUnwritableLogOnlyTracks) {
  CommandJournal journal;
  EXPECT_FALSE(journal.Open((std::filesystem::temp_directory_path() / "no_such_dir" / "x" / "commands.log").string(), 0));
  platform::SrbExecScsiCmd srb = Request({0}, 0x40, 0);
  journal.Begin(&srb, "d0");
  journal.End(&srb, "ABORTED", 5);
  EXPECT_EQ(journal.Outstanding(), 0u);
}

}  // namespace
}  // namespace emu::dll
