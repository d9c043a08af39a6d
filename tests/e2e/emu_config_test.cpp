// The emulated ASPI manager's configuration file: a full file read field by field, the defaults,
// each kind of mistake reported with its line, and garbage that must never crash the parser.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "emu/dll/emu_config.h"

namespace emu::dll {
namespace {

TEST(EmuConfig, ReadsEverySetting) {
  const ParseResult r = ParseConfig(R"(# three drives and a disk
log   out\commands.log
outdir C:\results
adapters 2
support-status 01
complete-synchronously no
abort-accepted no
abort-completes-request no

[drive d0]
at 0 1
vendor TEVOR
product "DVD RW KMR5133  "   # blanks kept between quotes
revision 1.00
seed 42
medium tray-open
medium-after-tur 3 ready
medium-at 5000 becoming-ready
fail 00 2 22/3A/00
fail 1b 0 02/04/01
fail-vendor 0xA0 15 1 05/24/00
never FA 3
latency 20
latency FA 250
restart-busy-ms 1500
restart-answers-last-block no
new-revision 2.10
corrupt-after-update yes

[drive raw]
at 1 0
inquiry 05 80 00 02 1F 00 00 00 41
type 05

[device disk]
at 0 3
)",
                                      "Z:\\scenario");
  ASSERT_TRUE(r.Ok()) << r.errors.front();
  const LibraryConfig& c = r.config;
  EXPECT_EQ(c.logPath, "Z:\\scenario\\out\\commands.log");
  EXPECT_EQ(c.outDir, "C:\\results");
  EXPECT_EQ(c.AdapterCount(), 2);
  EXPECT_EQ(c.options.supportStatus, 0x01);
  EXPECT_FALSE(c.options.completeSynchronously);
  EXPECT_FALSE(c.options.abortAccepted);
  EXPECT_FALSE(c.options.abortCompletesRequest);
  ASSERT_EQ(c.targets.size(), 3u);

  const TargetSpec& d0 = c.targets[0];
  EXPECT_EQ(d0.name, "d0");
  EXPECT_EQ(d0.adapter, 0);
  EXPECT_EQ(d0.target, 1);
  EXPECT_TRUE(d0.hasDrive);
  EXPECT_EQ(d0.deviceType, 0x05);
  EXPECT_EQ(d0.drive.vendor, "TEVOR");
  EXPECT_EQ(d0.drive.product, "DVD RW KMR5133  ");
  EXPECT_EQ(d0.drive.revision, "1.00");
  EXPECT_EQ(d0.drive.newRevision, "2.10");
  EXPECT_EQ(d0.drive.seed, 42u);
  EXPECT_EQ(d0.drive.restartBusyMs, 1500u);
  EXPECT_FALSE(d0.drive.restartAnswersLastBlock);
  EXPECT_TRUE(d0.drive.corruptAfterUpdate);
  EXPECT_FALSE(c.targets[1].drive.corruptAfterUpdate);
  ASSERT_EQ(d0.media.size(), 3u);
  EXPECT_EQ(d0.media[0].when, MediumStep::When::Now);
  EXPECT_EQ(d0.media[0].medium, Medium::TrayOpen);
  EXPECT_EQ(d0.media[1].when, MediumStep::When::AfterTestUnitReady);
  EXPECT_EQ(d0.media[1].value, 3u);
  EXPECT_EQ(d0.media[2].when, MediumStep::When::AtMs);
  EXPECT_EQ(d0.media[2].value, 5000u);
  EXPECT_EQ(d0.media[2].medium, Medium::BecomingReady);
  ASSERT_EQ(d0.faults.size(), 4u);
  EXPECT_EQ(d0.faults[0].kind, FaultSpec::Kind::Fail);
  EXPECT_EQ(d0.faults[0].opcode, 0x00);
  EXPECT_EQ(d0.faults[0].nth, 2);
  EXPECT_EQ(d0.faults[0].sense, (SenseTriple{0x22, 0x3A, 0x00}));
  EXPECT_EQ(d0.faults[1].opcode, 0x1B);
  EXPECT_EQ(d0.faults[1].nth, 0);
  EXPECT_EQ(d0.faults[2].kind, FaultSpec::Kind::FailVendor);
  EXPECT_EQ(d0.faults[2].opcode, 0xA0);
  EXPECT_EQ(d0.faults[2].subcode, 0x15);
  EXPECT_EQ(d0.faults[3].kind, FaultSpec::Kind::Never);
  EXPECT_EQ(d0.faults[3].opcode, 0xFA);
  EXPECT_EQ(d0.faults[3].nth, 3);
  ASSERT_EQ(d0.latencies.size(), 2u);
  EXPECT_FALSE(d0.latencies[0].perOpcode);
  EXPECT_EQ(d0.latencies[0].ms, 20u);
  EXPECT_TRUE(d0.latencies[1].perOpcode);
  EXPECT_EQ(d0.latencies[1].opcode, 0xFA);
  EXPECT_EQ(d0.latencies[1].ms, 250u);

  EXPECT_EQ(c.targets[1].drive.rawInquiry, (std::vector<uint8_t>{0x05, 0x80, 0x00, 0x02, 0x1F, 0, 0, 0, 0x41}));
  EXPECT_FALSE(c.targets[2].hasDrive);
  EXPECT_EQ(c.targets[2].deviceType, 0x00);
}

// The faults in the answer only, the carried-out forms of the others, and the pass-through letters.
TEST(EmuConfig, ReadsAnswerFaultsAndLetters) {
  const ParseResult r = ParseConfig(R"([drive d0]
at 0 0
letter E
fail FA 49 03/0C/00 carried-out
fail-vendor A0 15 2 05/24/00 carried-out
never FA 3 carried-out
lose 12 1
lose FA:51 7 carried-out
late 00 2 5000
vanish FA 20
short FA 49 0
[device disk]
at 0 1
type 00
letter f
)",
                                    "/s");
  ASSERT_TRUE(r.Ok()) << r.errors.front();
  const TargetSpec& d0 = r.config.targets[0];
  EXPECT_EQ(d0.letter, 'e');
  EXPECT_EQ(r.config.targets[1].letter, 'f');
  EXPECT_EQ(LetterDeviceFile("/s", d0.letter), "/s/cdrom-e");
  struct Want {
    FaultSpec::Kind kind;
    uint8_t opcode;
    int subcode;
    int nth;
    bool carriedOut;
    uint32_t amount;  // lateMs or movedBytes
  };
  const Want want[] = {
      {FaultSpec::Kind::Fail, 0xFA, -1, 49, true, 0},        {FaultSpec::Kind::FailVendor, 0xA0, 0x15, 2, true, 0},
      {FaultSpec::Kind::Never, 0xFA, -1, 3, true, 0},        {FaultSpec::Kind::Lose, 0x12, -1, 1, false, 0},
      {FaultSpec::Kind::Lose, 0xFA, 0x51, 7, true, 0},       {FaultSpec::Kind::Late, 0x00, -1, 2, false, 5000},
      {FaultSpec::Kind::Vanish, 0xFA, -1, 20, false, 0},     {FaultSpec::Kind::Short, 0xFA, -1, 49, false, 0},
  };
  ASSERT_EQ(d0.faults.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const FaultSpec& f = d0.faults[i];
    EXPECT_EQ(f.kind, want[i].kind) << i;
    EXPECT_EQ(f.opcode, want[i].opcode) << i;
    EXPECT_EQ(f.subcode, want[i].subcode) << i;
    EXPECT_EQ(f.nth, want[i].nth) << i;
    EXPECT_EQ(f.carriedOut, want[i].carriedOut) << i;
    EXPECT_EQ(want[i].kind == FaultSpec::Kind::Late ? f.lateMs : f.movedBytes, want[i].amount) << i;
  }
  EXPECT_EQ(d0.faults[0].sense, (SenseTriple{0x03, 0x0C, 0x00}));
}

TEST(EmuConfig, DefaultsWithoutSettings) {
  const ParseResult r = ParseConfig("\n# nothing\r\n   \n", "/tmp/s1");
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(r.config.logPath, "/tmp/s1/commands.log");
  EXPECT_EQ(r.config.outDir, "/tmp/s1");
  EXPECT_EQ(r.config.AdapterCount(), 0);
  EXPECT_EQ(r.config.options.supportStatus, 0x01);
  EXPECT_TRUE(r.config.options.abortAccepted);

  // Without 'adapters', one more than the highest adapter in use.
  const ParseResult two = ParseConfig("[drive a]\nat 1 0\n", "");
  ASSERT_TRUE(two.Ok());
  EXPECT_EQ(two.config.AdapterCount(), 2);
  // A drive without settings is the family's standard drive.
  EXPECT_EQ(two.config.targets[0].drive.vendor, DriveConfig{}.vendor);
}

TEST(EmuConfig, EachMistakeIsReportedWithItsLine) {
  struct Case {
    const char* text;
    const char* error;  // the start of the only error expected
  };
  const Case cases[] = {
      {"loggg x", "line 1: unknown setting 'loggg'"},
      {"\nadapters 17", "line 2: adapters is a count"},
      {"adapters -1", "line 1: adapters is a count"},
      {"support-status 100", "line 1: support-status is one hex byte"},
      {"abort-accepted maybe", "line 1: abort-accepted is yes or no"},
      {"log", "line 1: log needs a path"},
      {"[drive]", "line 1: a section is [drive NAME]"},
      {"[disk d]", "line 1: a section is [drive NAME]"},
      {"[drive d0", "line 1: a section line ends with ']'"},
      {"[drive d 0]", "line 1: a section is [drive NAME]"},
      {"[drive d/0]", "line 1: a name is 1 to 32"},
      {"[drive d]\nat 0", "line 2: at is ADAPTER"},
      {"[drive d]\nat 16 0", "line 2: at is ADAPTER"},
      {"[drive d]\nat 0 16", "line 2: at is ADAPTER"},
      {"[drive d]\nat 0 x", "line 2: at is ADAPTER"},
      {"[drive d]\nat 0 0\nvendor TOOLONGVENDOR", "line 3: vendor has at most 8"},
      {"[drive d]\nat 0 0\nproduct \"unclosed", "line 3: an opening quote"},
      {"[drive d]\nat 0 0\nrevision 12345", "line 3: revision has at most 4"},
      {"[drive d]\nat 0 0\ninquiry 0", "line 3: inquiry is 1 to 255 hex bytes"},
      {"[drive d]\nat 0 0\ninquiry zz", "line 3: inquiry is 1 to 255 hex bytes"},
      {"[drive d]\nat 0 0\nseed 4294967296", "line 3: seed is"},
      {"[drive d]\nat 0 0\nmedium open", "line 3: medium STATE"},
      {"[drive d]\nat 0 0\nmedium-after-tur ready", "line 3: medium-after-tur N STATE"},
      {"[drive d]\nat 0 0\nfail 00 1 02/3A", "line 3: fail is OPCODE NTH SENSE"},
      {"[drive d]\nat 0 0\nfail 100 1 02/3A/00", "line 3: fail is OPCODE NTH SENSE"},
      {"[drive d]\nat 0 0\nfail 00 1 02/3A/100", "line 3: fail is OPCODE NTH SENSE"},
      {"[drive d]\nat 0 0\nfail-vendor A0 15 0 05/24/00", "line 3: fail-vendor is"},
      {"[drive d]\nat 0 0\nnever FA 0", "line 3: never is OPCODE NTH"},
      {"[drive d]\nat 0 0\nlatency 600001", "line 3: latency is MS"},
      {"[drive d]\nat 0 0\nfail 00 0 02/3A/00 carried-out", "line 3: fail is OPCODE NTH SENSE"},
      {"[drive d]\nat 0 0\nnever FA 1 carried", "line 3: never is OPCODE NTH"},
      {"[drive d]\nat 0 0\nlose FA 0", "line 3: lose is OPCODE[:SUBCODE] NTH"},
      {"[drive d]\nat 0 0\nvanish FA:5G 1", "line 3: vanish is OPCODE[:SUBCODE] NTH"},
      {"[drive d]\nat 0 0\nlate FA 1", "line 3: late is OPCODE[:SUBCODE] NTH MS"},
      {"[drive d]\nat 0 0\nlate FA 1 600001", "line 3: late is OPCODE[:SUBCODE] NTH MS"},
      {"[drive d]\nat 0 0\nshort FA 1 10 carried-out", "line 3: short is OPCODE[:SUBCODE] NTH BYTES"},
      {"[drive d]\nat 0 0\nletter c", "line 3: letter is one drive letter from D to Y"},
      {"[drive d]\nat 0 0\nletter de", "line 3: letter is one drive letter"},
      {"[drive d]\nat 0 0\nletter E\n[drive e]\nat 0 1\nletter e", "line 6: the letter is used twice"},
      {"[drive d]\nat 0 0\nlatency 1 2 3", "line 3: latency is MS"},
      {"[drive d]\nat 0 0\nrestart-answers-last-block often", "line 3: yes or no"},
      {"[drive d]\nat 0 0\nspeed 4", "line 3: unknown drive setting 'speed'"},
      {"[device d]\nat 0 0\nvendor X", "line 3: a [device] section has only"},
      {"[drive d]\nseed 1", "line 1: [d] has no 'at"},
      {"[drive a]\nat 0 1\n[drive b]\nat 0 1", "line 3: [b] uses an adapter and target"},
      {"[drive a]\nat 0 1\n[drive a]\nat 0 2", "line 3: the name is used twice"},
      {"adapters 1\n[drive a]\nat 1 0", "line 2: [a] is on adapter 1 but 'adapters' is 1"},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseConfig(c.text, "");
    ASSERT_EQ(r.errors.size(), 1u) << c.text;
    EXPECT_EQ(r.errors[0].rfind(c.error, 0), 0u) << c.text << "\n  gave: " << r.errors[0];
  }
}

TEST(EmuConfig, CommentsAndQuotes) {
  const ParseResult r = ParseConfig("[drive d]#not a comment start? it is part of the name line\n", "");
  EXPECT_FALSE(r.Ok());  // '#' only starts a comment at the line start or after a blank

  const ParseResult q = ParseConfig("[drive d]   # the drive\nat 0 0 # place\nvendor \"A #1\" # text with a hash\n"
                                    "product \"\"\n",
                                    "");
  ASSERT_TRUE(q.Ok()) << q.errors.front();
  EXPECT_EQ(q.config.targets[0].drive.vendor, "A #1");
  EXPECT_EQ(q.config.targets[0].drive.product, "");
}

TEST(EmuConfig, PathsJoinTheConfigFolder) {
  struct Case {
    const char* base;
    const char* path;
    const char* joined;
  };
  const Case cases[] = {
      {"Z:\\s", "out", "Z:\\s\\out"},   {"/tmp/s", "out", "/tmp/s/out"}, {"/tmp/s/", "out", "/tmp/s/out"},
      {"Z:\\s", "C:\\x", "C:\\x"},     {"Z:\\s", "z:/x", "z:/x"},       {"Z:\\s", "\\x", "\\x"},
      {"/tmp/s", "/abs", "/abs"},      {"", "out", "out"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinPath(c.base, c.path), c.joined) << c.base << " + " << c.path;
  EXPECT_EQ(DirectoryOf("Z:\\a\\emu.cfg"), "Z:\\a");
  EXPECT_EQ(DirectoryOf("/a/emu.cfg"), "/a");
  EXPECT_EQ(DirectoryOf("/emu.cfg"), "/");
  EXPECT_EQ(DirectoryOf("emu.cfg"), "");
}

// Whatever the file holds, the parser returns, with a bounded list of errors.
TEST(EmuConfig, GarbageNeverCrashes) {
  std::mt19937 random(1234);
  const std::string alphabet = "[]\"#/ \t\r\n0123456789abcdefxAFatdrivedevicelogfailneverlatency-\0\xff";
  std::vector<std::string> inputs = {
      std::string(100000, 'x'),
      std::string(5000, '\n'),
      std::string(2000, '['),
      "[drive d]\nat 0 0\n" + std::string(3000, '"'),
      "[drive d]\nat 99999999999999999999999 0",
      "[drive d]\nat 0 0\ninquiry " + std::string(600, 'A'),
      std::string("\0\0\0[drive \0]\n", 14),
  };
  for (int n = 0; n < 200; ++n) {
    std::string text;
    const int length = static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i) text.push_back(alphabet[random() % alphabet.size()]);
    inputs.push_back(text);
  }
  for (int n = 0; n < 70; ++n) inputs.push_back(std::string(n, 'z') + "\n");
  std::string manyTargets;
  for (int i = 0; i < 80; ++i) manyTargets += "[drive d" + std::to_string(i) + "]\nat 0 " + std::to_string(i % 16) + "\n";
  inputs.push_back(manyTargets);

  for (const std::string& text : inputs) {
    const ParseResult r = ParseConfig(text, "base");
    EXPECT_LE(r.errors.size(), 50u);
    EXPECT_LE(r.config.targets.size(), static_cast<size_t>(kMaxTargetsInFile));
    for (const TargetSpec& t : r.config.targets) EXPECT_LE(t.drive.rawInquiry.size(), kMaxRawInquiry);
  }
}

}  // namespace
}  // namespace emu::dll
