// The emulated drive's flash ROM and vendor commands: old contents, ReadFlash bounds and data,
// WriteParameter, and the firmware block write sequence with its checks and the restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "emu/old_firmware.h"
#include "emu_test_util.h"

namespace emu {
namespace {

using test::Exec;
using test::SendBlock;
using test::TripleOf;

TEST(DriveFlash, OldContentsDependOnTheSeed) {
  const std::vector<uint8_t> a = Drive(DriveConfig{.seed = 1}).Flash();
  const std::vector<uint8_t> again = Drive(DriveConfig{.seed = 1}).Flash();
  const std::vector<uint8_t> b = Drive(DriveConfig{.seed = 2}).Flash();
  ASSERT_EQ(a.size(), kFlashSize);
  EXPECT_EQ(a, again);
  EXPECT_FALSE(std::equal(a.begin(), a.begin() + kOldFirmwareSize, b.begin()));
  EXPECT_FALSE(std::equal(a.begin() + kPerDriveStart, a.begin() + kPerDriveEnd, b.begin() + kPerDriveStart));
  EXPECT_NE(std::count(a.begin(), a.begin() + kOldFirmwareSize, a[0]), static_cast<long>(kOldFirmwareSize));
}

TEST(DriveFlash, ReadFlashReturnsFlashBytes) {
  Drive drive(DriveConfig{.seed = 3});
  const std::vector<uint8_t> flash = drive.Flash();
  for (uint32_t address : {0u, 0x1F8000u - 1024u, 0x1FF800u}) {
    std::vector<uint8_t> chunk(2048);
    ASSERT_TRUE(Exec(drive, test::ReadFlashCdb(address, 2048), chunk.data(), 2048).good);
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), flash.begin() + address)) << address;
  }
}

TEST(DriveFlash, ReadFlashBounds) {
  struct Case {
    const char* name;
    test::Cdb cdb;
    uint32_t length;
    bool good;
  };
  test::Cdb badMagic = test::ReadFlashCdb(0, 16);
  badMagic[2] = 0x0B;
  test::Cdb nonZeroByte4 = test::ReadFlashCdb(0, 16);
  nonZeroByte4[4] = 1;
  const Case cases[] = {
      {"last byte", test::ReadFlashCdb(0x1FFFFF, 1), 1, true},
      {"whole last chunk", test::ReadFlashCdb(0x1FF800, 2048), 2048, true},
      {"one past the end", test::ReadFlashCdb(0x1FF801, 2048), 2048, false},
      {"address beyond", test::ReadFlashCdb(0x200000, 1), 1, false},
      {"address wraps", test::ReadFlashCdb(0xFFFFFFFF, 2), 2, false},
      {"largest length", test::ReadFlashCdb(0, 0xFFFF), 0xFFFF, true},
      {"zero length", test::ReadFlashCdb(0x200000, 0), 0, true},
      {"byte 2 not 0A", badMagic, 16, false},
      {"byte 4 not zero", nonZeroByte4, 16, false},
  };
  Drive drive;
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer(std::max<uint32_t>(c.length, 1));
    const Drive::Result r = Exec(drive, c.cdb, buffer.data(), c.length);
    EXPECT_EQ(r.good, c.good) << c.name;
    if (!c.good) {
      EXPECT_EQ(TripleOf(r), kSenseInvalidField) << c.name;
    }
  }
}

TEST(DriveFlash, WriteAndFillForTests) {
  Drive drive;
  drive.FillFlash(0xFF);
  const std::vector<uint8_t> flash = drive.Flash();
  EXPECT_EQ(std::count(flash.begin(), flash.end(), 0xFF), static_cast<long>(kFlashSize));
  drive.WriteFlash(kFlashSize - 2, {1, 2});
  EXPECT_EQ(drive.Flash()[kFlashSize - 1], 2);
  EXPECT_THROW(drive.WriteFlash(kFlashSize - 1, {1, 2}), std::out_of_range);
  EXPECT_THROW(drive.WriteFlash(0xFFFFFFFF, {1}), std::out_of_range);
}

TEST(DriveParameter, RecordsAndUnlocksOnlyOnAeAnd5f) {
  struct Case {
    uint8_t code;
    uint16_t parameter;
    bool unlocks;
  };
  const Case cases[] = {{0xAE, 0x005F, true}, {0xAE, 0x0060, false}, {0xAF, 0x005F, false}, {0x00, 0x0000, false}};
  for (const Case& c : cases) {
    Drive drive;
    ASSERT_TRUE(Exec(drive, test::WriteParameterCdb(c.code, c.parameter, 4, {1, 2, 3, 4})).good);
    EXPECT_EQ(drive.ParameterUnlocked(), c.unlocks);
    const auto writes = drive.ParameterWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].code, c.code);
    EXPECT_EQ(writes[0].parameter, c.parameter);
    EXPECT_EQ(writes[0].value, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(writes[0].length, 4);
  }
}

// A drive with an image ready to send.
class BlockWrite : public testing::Test {
 protected:
  explicit BlockWrite(DriveConfig config = {}) : drive_(WithSeed(std::move(config))), before_(drive_.Flash()) {}
  static DriveConfig WithSeed(DriveConfig config) {
    config.seed = 11;
    return config;
  }

  // Sends blocks first..last; every one but an expected-final block must be accepted.
  void SendGood(int first, int last, uint64_t atMs = 0) {
    for (int i = first; i <= last; ++i) ASSERT_TRUE(SendBlock(drive_, image_, i, atMs).good) << "block " << i;
  }
  std::string InquiryRevision(uint64_t atMs) {
    std::array<uint8_t, 36> data{};
    EXPECT_TRUE(Exec(drive_, test::InquiryCdb(36), data.data(), 36, atMs).good);
    return std::string(reinterpret_cast<const char*>(&data[32]), 4);
  }
  void ExpectOldFlash() {
    EXPECT_TRUE(drive_.Flash() == before_);
    EXPECT_EQ(drive_.Revision(), "1.00");
    EXPECT_EQ(drive_.Restarts(), 0);
  }
  // The image from offset 0, erased (0xFF) to the end, except the drive's own identity bytes.
  void ExpectNewFlash() {
    const std::vector<uint8_t> flash = drive_.Flash();
    const auto imageEnd = static_cast<std::ptrdiff_t>(image_.bytes.size());
    EXPECT_TRUE(std::equal(image_.bytes.begin(), image_.bytes.end(), flash.begin()));
    EXPECT_EQ(std::count(flash.begin() + imageEnd, flash.begin() + kPerDriveStart, uint8_t{0xFF}),
              static_cast<long>(kPerDriveStart) - imageEnd);
    EXPECT_TRUE(std::equal(flash.begin() + kPerDriveStart, flash.begin() + kPerDriveEnd, before_.begin() + kPerDriveStart));
    EXPECT_EQ(std::count(flash.begin() + kPerDriveEnd, flash.end(), uint8_t{0xFF}),
              static_cast<long>(kFlashSize - kPerDriveEnd));
  }

  Drive drive_;
  const std::vector<uint8_t> before_;
  test::TestImage image_ = test::MakeImage(49);
};

TEST_F(BlockWrite, FullSequenceFlashesAndRestarts) {
  SendGood(0, 47, 1000);
  const Drive::Result last = SendBlock(drive_, image_, 48, 1000);
  EXPECT_FALSE(last.good);
  EXPECT_EQ(TripleOf(last), kSensePowerOnReset);
  ExpectNewFlash();
  EXPECT_EQ(drive_.Restarts(), 1);
  EXPECT_EQ(drive_.Revision(), "2.00");

  // Restarting for 20 s of the issuing thread's time; INQUIRY still answers, with the new revision.
  EXPECT_EQ(InquiryRevision(1500), "2.00");
  EXPECT_EQ(TripleOf(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 1500)), kSenseBecomingReady);
  EXPECT_EQ(TripleOf(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 20999)), kSenseBecomingReady);
  EXPECT_TRUE(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 21000).good);
}

TEST_F(BlockWrite, PerDriveBytesSurviveAnImageThatCoversThem) {
  image_ = test::MakeImage(128);
  SendGood(0, 126);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 127)), kSensePowerOnReset);
  const std::vector<uint8_t> flash = drive_.Flash();
  EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + kPerDriveStart, image_.bytes.begin()));
  EXPECT_TRUE(std::equal(flash.begin() + kPerDriveStart, flash.begin() + kPerDriveEnd, before_.begin() + kPerDriveStart));
  EXPECT_TRUE(std::equal(flash.begin() + kPerDriveEnd, flash.end(), image_.bytes.begin() + kPerDriveEnd));
}

// Drives with different old firmware and identity bytes hold the same bytes outside the identity
// area after one image, so a flash checksum that skips that area is the same on all of them; the
// fault for verification tests changes one erased byte.
TEST(DriveFlash, OneImageGivesEveryDriveTheSameFlashOutsideItsIdentity) {
  const test::TestImage image = test::MakeImage(49);
  std::vector<std::vector<uint8_t>> flashes;
  for (const DriveConfig& config : {DriveConfig{.seed = 1}, DriveConfig{.seed = 2},
                                    DriveConfig{.seed = 3, .corruptAfterUpdate = true}}) {
    Drive drive(config);
    for (int i = 0; i < 49; ++i) SendBlock(drive, image, i);
    ASSERT_EQ(drive.Restarts(), 1);
    std::vector<uint8_t> flash = drive.Flash();
    std::fill(flash.begin() + kPerDriveStart, flash.begin() + kPerDriveEnd, uint8_t{0});
    flashes.push_back(flash);
  }
  EXPECT_TRUE(flashes[0] == flashes[1]);
  EXPECT_EQ(flashes[1][kCorruptedFlashOffset], 0xFF);
  EXPECT_EQ(flashes[2][kCorruptedFlashOffset], 0x00);
  flashes[2][kCorruptedFlashOffset] = 0xFF;
  EXPECT_TRUE(flashes[0] == flashes[2]);
}

TEST_F(BlockWrite, SingleBlockImage) {
  image_ = test::MakeImage(1);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 0)), kSensePowerOnReset);
  ExpectNewFlash();
}

TEST_F(BlockWrite, CheckWordMismatchKeepsTheOldFlash) {
  for (int which = 0; which < 2; ++which) {
    test::TestImage wrong = image_;
    (which == 0 ? wrong.a : wrong.b) ^= 0x0100;
    for (int i = 0; i < 48; ++i) ASSERT_TRUE(SendBlock(drive_, wrong, i).good);
    const Drive::Result last = SendBlock(drive_, wrong, 48);
    EXPECT_FALSE(last.good);
    EXPECT_EQ(TripleOf(last), kSenseImageRejected);
    ExpectOldFlash();
  }
  SendGood(0, 47);  // a rejected image leaves the drive ready for a new sequence
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 48)), kSensePowerOnReset);
}

struct SequenceFault {
  const char* name;
  int goodBlocksFirst;  // blocks 0.. sent in order before the bad one
  test::Cdb bad;
};

class BlockWriteSequence : public BlockWrite, public testing::WithParamInterface<SequenceFault> {};

// Every refusal is 05/24/00, keeps the old flash, and makes the drive expect block 0 again.
TEST_P(BlockWriteSequence, RefusedAndRestartsAtBlockZero) {
  const SequenceFault& c = GetParam();
  SendGood(0, c.goodBlocksFirst - 1);
  const Drive::Result r = test::Exec(drive_, c.bad, const_cast<uint8_t*>(image_.Block(0)), kFirmwareBlockSize);
  EXPECT_FALSE(r.good);
  EXPECT_EQ(TripleOf(r), kSenseInvalidField);
  if (c.goodBlocksFirst > 0) {
    EXPECT_FALSE(SendBlock(drive_, image_, c.goodBlocksFirst).good);
  }
  ExpectOldFlash();
  SendGood(0, 47);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 48)), kSensePowerOnReset);
}

const test::TestImage& Image49() {
  static const test::TestImage image = test::MakeImage(49);
  return image;
}

test::Cdb Block(int index, uint8_t count = 49, uint8_t mode = 1) {
  return test::WriteBlockCdb(Image49().a, Image49().b, static_cast<uint8_t>(index), count, mode);
}

test::Cdb CopiesDisagree() {
  test::Cdb cdb = Block(0);
  cdb[8] ^= 0x01;
  return cdb;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockWriteSequence,
    testing::Values(SequenceFault{"SkippedIndex", 3, Block(4)}, SequenceFault{"RepeatedIndex", 3, Block(2)},
                    SequenceFault{"StartsAtOne", 0, Block(1)}, SequenceFault{"IndexBeyondCount", 0, Block(49)},
                    SequenceFault{"CheckWordCopiesDisagree", 0, CopiesDisagree()},
                    SequenceFault{"ModeNotOne", 0, Block(0, 49, 0)},
                    SequenceFault{"CountChanges", 2, Block(2, 50)}, SequenceFault{"CountZero", 0, Block(0, 0)},
                    SequenceFault{"CountBeyondFlash", 0, Block(0, 129)}),
    test::CaseName{});

class DeferredRestart : public BlockWrite {
 protected:
  DeferredRestart() : BlockWrite(DriveConfig{.restartAnswersLastBlock = false, .restartBusyMs = 5000, .newRevision = "3.10"}) {}
};

TEST_F(DeferredRestart, LastBlockGoodThenPowerOnForTheNextCommand) {
  SendGood(0, 48, 100);
  ExpectNewFlash();
  EXPECT_EQ(InquiryRevision(200), "3.10");  // INQUIRY does not take the unit attention
  EXPECT_EQ(TripleOf(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 200)), kSensePowerOnReset);
  EXPECT_EQ(TripleOf(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 5099)), kSenseBecomingReady);
  EXPECT_TRUE(Exec(drive_, test::TestUnitReadyCdb(), nullptr, 0, 5100).good);
}

class HtlDrive : public BlockWrite {
 protected:
  HtlDrive() : BlockWrite(DriveConfig{.product = "HTL6190 REV B"}) {}
};

TEST_F(HtlDrive, RefusesBlocksUntilTheParameterWrite) {
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 0)), kSenseSequenceError);
  ASSERT_TRUE(Exec(drive_, test::WriteParameterCdb(0xAE, 0x0060, 4, {0, 0, 0, 0})).good);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 0)), kSenseSequenceError);
  ExpectOldFlash();

  ASSERT_TRUE(Exec(drive_, test::UnlockParameterCdb()).good);
  SendGood(0, 47);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 48)), kSensePowerOnReset);
  ExpectNewFlash();
  // The restarted drive wants the parameter again before another image.
  EXPECT_FALSE(drive_.ParameterUnlocked());
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 0, 60000)), kSenseSequenceError);
}

TEST_F(BlockWrite, FaultOnABlockKeepsTheSequenceWhereItWas) {
  drive_.FailNth(0xFA, 3, {0x03, 0x0C, 0x00});
  SendGood(0, 1);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 2)), (SenseTriple{0x03, 0x0C, 0x00}));
  SendGood(2, 47);
  EXPECT_EQ(TripleOf(SendBlock(drive_, image_, 48)), kSensePowerOnReset);
  ExpectNewFlash();
}

TEST(DriveLog, RecordsEveryCommandInOrder) {
  Drive drive;
  const test::TestImage image = test::MakeImage(2);
  test::Exec(drive, test::TestUnitReadyCdb(), nullptr, 0, 5);
  test::Exec(drive, test::Cdb{0x77}, nullptr, 0, 6);
  test::SendBlock(drive, image, 1, 7);  // refused: out of order
  const std::vector<CommandRecord> log = drive.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].cdb, test::TestUnitReadyCdb());
  EXPECT_EQ(log[1].cdb[0], 0x77);
  EXPECT_EQ(log[2].cdb, test::WriteBlockCdb(image.a, image.b, 1, 2));
  EXPECT_EQ(log[2].direction, 16);
  EXPECT_EQ(log[2].transferLength, kFirmwareBlockSize);
  EXPECT_EQ(log[2].atMs, 7u);
  EXPECT_EQ(log[2].timeoutSeconds, 15u);
}

}  // namespace
}  // namespace emu

namespace emu {
namespace {

// A lost or late answer to the last block: whether the drive carried the command out (restarted
// on the image) and what the host gets back. A drive that disappears answers nothing afterwards.
TEST(DriveAnswerFaults, HitTheAnswerBeforeOrAfterTheCommandIsCarriedOut) {
  using Kind = Drive::AnswerFault::Kind;
  const struct {
    const char* name;
    Kind kind;
    bool afterEffect;
    bool restarted;
    bool never;
    bool transport;
    bool gone;
    uint32_t latencyMs;
  } cases[] = {
      {"check condition before", Kind::CheckCondition, false, false, false, false, false, 0},
      {"check condition after", Kind::CheckCondition, true, true, false, false, false, 0},
      {"no sense before", Kind::NoSense, false, false, false, true, false, 0},
      {"no sense after", Kind::NoSense, true, true, false, true, false, 0},
      {"never before", Kind::NeverAnswers, false, false, true, false, false, 0},
      {"never after", Kind::NeverAnswers, true, true, true, false, false, 0},
      {"late", Kind::AnswersLate, false, true, false, false, false, 70000},
      {"gone before", Kind::Disappears, false, false, false, false, true, 0},
      {"gone after", Kind::Disappears, true, true, false, false, true, 0},
  };
  const test::TestImage image = test::MakeImage(2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Drive drive;
    drive.Inject({0xFA, -1, 2, c.kind, {0x04, 0x44, 0x00}, 70000, c.afterEffect});
    ASSERT_TRUE(SendBlock(drive, image, 0).good);
    const Drive::Result r = SendBlock(drive, image, 1);
    EXPECT_EQ(drive.Restarts(), c.restarted ? 1 : 0);
    EXPECT_EQ(r.neverCompletes, c.never);
    EXPECT_EQ(r.transportError, c.transport);
    EXPECT_EQ(r.gone, c.gone);
    EXPECT_EQ(r.latencyMs, c.latencyMs);
    if (c.kind == Kind::CheckCondition) {
      EXPECT_FALSE(r.good);
      EXPECT_EQ(TripleOf(r), (SenseTriple{0x04, 0x44, 0x00}));
    } else if (c.kind == Kind::AnswersLate) {
      EXPECT_FALSE(r.good);  // the restart's 06/29, late
      EXPECT_EQ(TripleOf(r), (SenseTriple{0x06, 0x29, 0x00}));
    } else {
      EXPECT_FALSE(r.good);
      EXPECT_EQ(TripleOf(r), (SenseTriple{0, 0, 0}));
    }
    const std::size_t logged = drive.Log().size();
    const Drive::Result next = Exec(drive, test::TestUnitReadyCdb());
    EXPECT_EQ(next.gone, c.gone);
    EXPECT_EQ(drive.Log().size(), logged + (c.gone ? 0 : 1));
  }
}

}  // namespace
}  // namespace emu

namespace emu {
namespace {

// A data phase cut short with GOOD status: a block the drive did not get whole is never kept (so
// the last one cannot restart the drive), a read is carried out and only its first bytes go across.
TEST(DriveAnswerFaults, ShortTransfer) {
  using Kind = Drive::AnswerFault::Kind;
  const test::TestImage image = test::MakeImage(2);
  {
    SCOPED_TRACE("last block");
    Drive drive;
    drive.Inject({0xFA, -1, 2, Kind::ShortTransfer, {}, 0, false, 8192});
    ASSERT_TRUE(SendBlock(drive, image, 0).good);
    const Drive::Result r = SendBlock(drive, image, 1);
    EXPECT_TRUE(r.good);
    EXPECT_TRUE(r.shortTransfer);
    EXPECT_EQ(r.movedBytes, 8192u);
    EXPECT_EQ(drive.Restarts(), 0);
    EXPECT_EQ(drive.Revision(), "1.00");
    EXPECT_EQ(drive.Log().size(), 2u);
  }
  {
    SCOPED_TRACE("read");
    Drive drive;
    drive.Inject({0x12, -1, 1, Kind::ShortTransfer, {}, 0, false, 10});
    std::array<uint8_t, 36> data;
    data.fill(0xEE);
    const Drive::Result r = Exec(drive, test::InquiryCdb(36), data.data(), 36);
    EXPECT_TRUE(r.good);
    EXPECT_TRUE(r.shortTransfer);
    EXPECT_EQ(r.movedBytes, 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&data[8]), 2), "TE");
    EXPECT_EQ(data[10], 0xEE);  // never sent
  }
  {
    SCOPED_TRACE("nothing to cut short");
    Drive drive;
    drive.Inject({0x00, -1, 1, Kind::ShortTransfer, {}, 0, false, 0});
    drive.Inject({0x12, -1, 1, Kind::ShortTransfer, {}, 0, false, 36});
    std::array<uint8_t, 36> data{};
    EXPECT_FALSE(Exec(drive, test::TestUnitReadyCdb()).shortTransfer);
    EXPECT_FALSE(Exec(drive, test::InquiryCdb(36), data.data(), 36).shortTransfer);
  }
}

}  // namespace
}  // namespace emu
