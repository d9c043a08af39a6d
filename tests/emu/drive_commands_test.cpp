// The emulated drive's standard commands: INQUIRY layout and truncation, raw INQUIRY data, data
// phase checks, unknown commands, medium states and their scripting, the tray, and faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "emu_test_util.h"

namespace emu {
namespace {

using test::Exec;
using test::TripleOf;

std::string Text(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

TEST(DriveInquiry, StandardDataLayout) {
  Drive drive;
  std::array<uint8_t, 36> data{};
  ASSERT_TRUE(Exec(drive, test::InquiryCdb(36), data.data(), 36).good);
  EXPECT_EQ(data[0], 0x05);
  EXPECT_EQ(data[1], 0x80);
  EXPECT_EQ(data[4], 31);
  EXPECT_EQ(Text(&data[8], 8), "TEVOR   ");
  EXPECT_EQ(Text(&data[16], 16), "DVD RW KMR5133  ");
  EXPECT_EQ(Text(&data[32], 4), "1.00");
}

TEST(DriveInquiry, LongConfigStringsAreCutToTheirFields) {
  Drive drive(DriveConfig{.vendor = "VENDORNAME", .product = "PRODUCT NAME THAT IS LONG", .revision = "12345"});
  std::array<uint8_t, 36> data{};
  ASSERT_TRUE(Exec(drive, test::InquiryCdb(36), data.data(), 36).good);
  EXPECT_EQ(Text(&data[8], 8), "VENDORNA");
  EXPECT_EQ(Text(&data[16], 16), "PRODUCT NAME THA");
  EXPECT_EQ(Text(&data[32], 4), "1234");
}

struct InquiryLengthCase {
  std::vector<uint8_t> raw;  // empty: standard data
  uint8_t allocation;
};

class DriveInquiryLength : public testing::TestWithParam<InquiryLengthCase> {};

// Exactly allocation-length bytes are written: the answer, cut or padded with zeros.
TEST_P(DriveInquiryLength, WritesExactlyTheAllocationLength) {
  const InquiryLengthCase& c = GetParam();
  DriveConfig config;
  config.rawInquiry = c.raw;
  Drive drive(config);
  std::array<uint8_t, 36> standard{};
  if (c.raw.empty()) {
    ASSERT_TRUE(Exec(drive, test::InquiryCdb(36), standard.data(), 36).good);
  }
  const std::vector<uint8_t> answer = c.raw.empty() ? std::vector<uint8_t>(standard.begin(), standard.end()) : c.raw;

  std::vector<uint8_t> buffer(c.allocation + 8, 0xEE);
  ASSERT_TRUE(Exec(drive, test::InquiryCdb(c.allocation), c.allocation ? buffer.data() : nullptr, c.allocation).good);
  for (size_t i = 0; i < buffer.size(); ++i) {
    const uint8_t expected = i >= c.allocation ? 0xEE : (i < answer.size() ? answer[i] : 0x00);
    ASSERT_EQ(buffer[i], expected) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DriveInquiryLength,
                         testing::Values(InquiryLengthCase{{}, 36}, InquiryLengthCase{{}, 32},
                                         InquiryLengthCase{{}, 5}, InquiryLengthCase{{}, 0},
                                         InquiryLengthCase{{}, 96},
                                         InquiryLengthCase{{0x05, 0x80, 0x00, 0x02, 0x05, 'R', 'A', 'W'}, 36},
                                         InquiryLengthCase{std::vector<uint8_t>(40, 0x41), 36},
                                         InquiryLengthCase{std::vector<uint8_t>(40, 0x41), 3}));

TEST(DriveInquiry, VitalProductDataIsRefused) {
  Drive drive;
  std::array<uint8_t, 36> data{};
  test::Cdb cdb = test::InquiryCdb(36);
  cdb[1] = 0x01;
  const Drive::Result r = Exec(drive, cdb, data.data(), 36);
  EXPECT_FALSE(r.good);
  EXPECT_EQ(TripleOf(r), kSenseInvalidField);
}

TEST(DriveSense, FixedFormat) {
  Drive drive;
  drive.SetMedium(Medium::NoMedium);
  const Drive::Result r = Exec(drive, test::TestUnitReadyCdb());
  const SenseBlock expected{0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(r.sense, expected);
  EXPECT_EQ(Exec(drive, test::InquiryCdb(0)).sense, SenseBlock{});  // zero when good
}

struct BadPhaseCase {
  const char* name;
  test::Cdb cdb;
  uint8_t direction;
  uint32_t length;
};

class DriveDataPhase : public testing::TestWithParam<BadPhaseCase> {};

// A host that asks for the wrong direction or length gets 05/24/00 and its buffer is left alone.
TEST_P(DriveDataPhase, MismatchIsRefused) {
  const BadPhaseCase& c = GetParam();
  Drive drive;
  std::vector<uint8_t> buffer(20000, 0xEE);
  const Drive::Result r = Exec(drive, c.cdb, buffer.data(), c.length, 0, c.direction);
  EXPECT_FALSE(r.good);
  EXPECT_EQ(TripleOf(r), kSenseInvalidField);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xEE), 20000);
  EXPECT_EQ(drive.Log().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriveDataPhase,
    testing::Values(BadPhaseCase{"InquiryOut", test::InquiryCdb(36), 16, 36},
                    BadPhaseCase{"InquiryShortBuffer", test::InquiryCdb(36), 8, 32},
                    BadPhaseCase{"InquiryLongBuffer", test::InquiryCdb(36), 8, 40},
                    BadPhaseCase{"ReadFlashLengthMismatch", test::ReadFlashCdb(0, 2048), 8, 1024},
                    BadPhaseCase{"ReadFlashNoDirection", test::ReadFlashCdb(0, 2048), 0, 2048},
                    BadPhaseCase{"StartStopWithData", test::StartStopCdb(2), 16, 4},
                    BadPhaseCase{"ParameterWithData", test::UnlockParameterCdb(), 16, 4},
                    BadPhaseCase{"BlockShort", test::WriteBlockCdb(1, 2, 0, 1), 16, 16383},
                    BadPhaseCase{"BlockIn", test::WriteBlockCdb(1, 2, 0, 1), 8, 16384}),
    test::CaseName{});

TEST(DriveCommands, UnknownOpcodesAndSubcodes) {
  struct Case {
    test::Cdb cdb;
    SenseTriple sense;
  };
  const Case cases[] = {
      {{0x28}, kSenseInvalidOpcode},
      {{0x5A}, kSenseInvalidOpcode},
      {{0xFF}, kSenseInvalidOpcode},
      {{0xA0, 0x16}, kSenseInvalidField},
      {{0xA0, 0x00}, kSenseInvalidField},
  };
  Drive drive;
  for (const Case& c : cases) {
    const Drive::Result r = Exec(drive, c.cdb);
    EXPECT_FALSE(r.good) << int{c.cdb[0]};
    EXPECT_EQ(TripleOf(r), c.sense) << int{c.cdb[0]};
  }
  EXPECT_EQ(drive.Log().size(), std::size(cases));
}

TEST(DriveMedium, TestUnitReadyAnswersByMedium) {
  struct Case {
    Medium medium;
    bool good;
    SenseTriple sense;
  };
  const Case cases[] = {
      {Medium::Ready, true, {}},
      {Medium::NoMedium, false, kSenseNoMedium},
      {Medium::TrayClosedEmpty, false, kSenseTrayClosedEmpty},
      {Medium::TrayOpen, false, kSenseTrayOpen},
      {Medium::BecomingReady, false, kSenseBecomingReady},
      {Medium::UnitAttention, false, kSenseMediumChanged},
  };
  for (const Case& c : cases) {
    Drive drive;
    drive.SetMedium(c.medium);
    const Drive::Result r = Exec(drive, test::TestUnitReadyCdb());
    EXPECT_EQ(r.good, c.good) << static_cast<int>(c.medium);
    if (!c.good) {
      EXPECT_EQ(TripleOf(r), c.sense) << static_cast<int>(c.medium);
    }
  }
}

TEST(DriveMedium, UnitAttentionIsReportedOnceAndNotToInquiry) {
  Drive drive;
  drive.SetMedium(Medium::UnitAttention);
  std::array<uint8_t, 36> data{};
  EXPECT_TRUE(Exec(drive, test::InquiryCdb(36), data.data(), 36).good);
  EXPECT_EQ(TripleOf(Exec(drive, test::TestUnitReadyCdb())), kSenseMediumChanged);
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
  EXPECT_EQ(drive.CurrentMedium(), Medium::Ready);
}

TEST(DriveMedium, ScheduledByVirtualTime) {
  Drive drive;
  drive.ScheduleMedium(1000, Medium::NoMedium);
  drive.ScheduleMedium(3000, Medium::Ready);
  drive.ScheduleMedium(2000, Medium::TrayOpen);  // out of order on purpose
  const struct {
    uint64_t atMs;
    bool good;
    SenseTriple sense;
  } steps[] = {{999, true, {}},
               {1000, false, kSenseNoMedium},
               {1999, false, kSenseNoMedium},
               {2500, false, kSenseTrayOpen},
               {3000, true, {}}};
  for (const auto& s : steps) {
    const Drive::Result r = Exec(drive, test::TestUnitReadyCdb(), nullptr, 0, s.atMs);
    EXPECT_EQ(r.good, s.good) << s.atMs;
    if (!s.good) {
      EXPECT_EQ(TripleOf(r), s.sense) << s.atMs;
    }
  }
}

TEST(DriveMedium, ScheduledAfterTestUnitReadyCount) {
  Drive drive;
  Exec(drive, test::TestUnitReadyCdb());  // counted from the scheduling call on
  drive.ScheduleMediumAfterTestUnitReady(2, Medium::NoMedium);
  std::array<uint8_t, 36> data{};
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
  EXPECT_TRUE(Exec(drive, test::InquiryCdb(36), data.data(), 36).good);  // not counted
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
  EXPECT_EQ(TripleOf(Exec(drive, test::TestUnitReadyCdb())), kSenseNoMedium);

  drive.ScheduleMediumAfterTestUnitReady(0, Medium::Ready);
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
}

TEST(DriveTray, StartStopUnit) {
  struct Case {
    uint8_t p;
    Medium before;
    Medium after;
  };
  const Case cases[] = {
      {0x02, Medium::Ready, Medium::TrayOpen},          // eject
      {0x02, Medium::NoMedium, Medium::TrayOpen},
      {0x03, Medium::TrayOpen, Medium::TrayClosedEmpty},  // load
      {0x03, Medium::Ready, Medium::Ready},
      {0x01, Medium::TrayOpen, Medium::TrayOpen},       // start only
      {0x00, Medium::Ready, Medium::Ready},             // stop only
  };
  for (const Case& c : cases) {
    Drive drive;
    drive.SetMedium(c.before);
    EXPECT_TRUE(Exec(drive, test::StartStopCdb(c.p)).good) << int{c.p};
    EXPECT_EQ(drive.CurrentMedium(), c.after) << int{c.p};
  }
}

TEST(DriveFaults, FailNthKeepsSenseByteTwoWhole) {
  Drive drive;
  drive.FailNth(0x00, 2, {0x22, 0x3A, 0x01});
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
  const Drive::Result second = Exec(drive, test::TestUnitReadyCdb());
  EXPECT_FALSE(second.good);
  EXPECT_EQ(second.sense[2], 0x22);
  EXPECT_EQ(TripleOf(second), (SenseTriple{0x22, 0x3A, 0x01}));
  EXPECT_TRUE(Exec(drive, test::TestUnitReadyCdb()).good);
  EXPECT_EQ(drive.Log().size(), 3u);  // the failed one is logged too
}

TEST(DriveFaults, VendorFaultCountsOnlyItsSubcode) {
  Drive drive;
  drive.FailNthVendor(0xA0, 0x14, 1, {0x04, 0x44, 0x00});
  std::vector<uint8_t> chunk(2048);
  EXPECT_TRUE(Exec(drive, test::ReadFlashCdb(0, 2048), chunk.data(), 2048).good);
  EXPECT_EQ(TripleOf(Exec(drive, test::UnlockParameterCdb())), (SenseTriple{0x04, 0x44, 0x00}));
  EXPECT_FALSE(drive.ParameterUnlocked());  // a failed command has no effect
  EXPECT_TRUE(Exec(drive, test::UnlockParameterCdb()).good);
  EXPECT_TRUE(drive.ParameterUnlocked());
}

TEST(DriveFaults, FailAllAndClear) {
  Drive drive;
  drive.FailAll(0x1B, {0x02, 0x04, 0x00});
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Exec(drive, test::StartStopCdb(2)).good);
  EXPECT_EQ(drive.CurrentMedium(), Medium::Ready);
  drive.ClearFaults();
  EXPECT_TRUE(Exec(drive, test::StartStopCdb(2)).good);
}

TEST(DriveFaults, NeverCompleteHasNoEffect) {
  Drive drive;
  drive.NeverCompleteNth(0x1B, 1);
  const Drive::Result r = Exec(drive, test::StartStopCdb(2));
  EXPECT_TRUE(r.neverCompletes);
  EXPECT_FALSE(r.good);
  EXPECT_EQ(drive.CurrentMedium(), Medium::Ready);
  EXPECT_FALSE(Exec(drive, test::StartStopCdb(2)).neverCompletes);
  EXPECT_EQ(drive.Log().size(), 2u);
}

TEST(DriveFaults, Latency) {
  Drive drive;
  drive.SetLatencyMs(40);
  drive.SetOpcodeLatencyMs(0xFA, 900);
  EXPECT_EQ(Exec(drive, test::TestUnitReadyCdb()).latencyMs, 40u);
  EXPECT_EQ(Exec(drive, test::WriteBlockCdb(1, 1, 5, 9)).latencyMs, 900u);  // refused ones too
}

}  // namespace
}  // namespace emu
