// Commands whose answer is lost or late: the sense the layer keeps for them, and ASPI requests
// that the manager completes after the layer has given them up.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "drives_fixture.h"
#include "scsi/cdb.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

using test_support::EmulatedBackEnd;
using test_support::kAspi;
using test_support::kBothBackEnds;
using testing::OpenDrives;
using Kind = emu::Drive::AnswerFault::Kind;

constexpr emu::SenseTriple kPowerOn{0x06, 0x29, 0x00};

// A failure without the drive's CHECK CONDITION has no sense of its own: the sense an earlier
// command left (here a restart's 06/29) must not be read as its answer.
TEST(SenseOfAFailedCommand, IsOnlyWhatTheDriveReported) {
  const struct {
    const char* name;
    Kind kind;
    emu::SenseTriple sense;
    bool abortAccepted;
    SenseCode code;
  } cases[] = {
      {"check condition", Kind::CheckCondition, {0x03, 0x0C, 0x00}, true, 0x030C00},
      {"transport failure without sense", Kind::NoSense, {}, true, 0},
      {"time-out, abort accepted", Kind::NeverAnswers, {}, true, 0},
      {"time-out, abort refused, late answer", Kind::AnswersLate, {}, false, 0},
      {"device gone", Kind::Disappears, {}, true, 0},
  };
  for (const EmulatedBackEnd& backEnd : kBothBackEnds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::BackEndName(backEnd) + ", " + c.name);
      OpenDrives d(backEnd, 1, [&](emu::Machine& machine) {
        emu::AspiOptions options;
        options.abortAccepted = c.abortAccepted;
        machine.SetAspi(options);
      });
      d.drives[0]->FailNth(cdb::kOpTestUnitReady, 1, kPowerOn);
      d.drives[0]->Inject({cdb::kOpTestUnitReady, -1, 3, c.kind, c.sense, 70000, false});

      EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
      EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0x062900u);
      EXPECT_EQ(TestUnitReady(d.layer, d.ref), 1);  // a good command keeps it on the ASPI back end
      EXPECT_EQ(d.layer.GetSenseCode(d.ref), backEnd == kAspi ? 0x062900u : 0u);
      EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
      EXPECT_EQ(d.layer.GetSenseCode(d.ref), c.code);
    }
  }
}

// The abort is refused and the answer comes after the layer gave up: status, sense and data land
// in the request the layer retired, never in the caller's buffer (freed here, so that a late
// write into it is caught) or in the next command's request. The device stays usable.
TEST(AspiRequestCompletingAfterARefusedAbort, ChangesNothingTheProgramStillUses) {
  OpenDrives d(kAspi, 1, [&](emu::Machine& machine) {
    emu::AspiOptions options;
    options.abortAccepted = false;
    machine.SetAspi(options);
  });
  d.drives[0]->Inject({cdb::kOpVendor, cdb::kVendorReadFlash, 1, Kind::AnswersLate, {}, 20000, false});
  d.drives[0]->FailNth(cdb::kOpTestUnitReady, 1, kPowerOn);
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);  // leaves 06/29 in the device's sense

  auto callers = std::make_unique<std::array<uint8_t, 2048>>();
  callers->fill(0xA5);
  EXPECT_EQ(ReadFlash(d.layer, d.ref, callers->data(), 0, 2048), 0);  // gives up after 15 s
  for (uint8_t b : *callers) ASSERT_EQ(b, 0xA5);  // nothing copied from a command that did not end
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0u);
  callers.reset();
  EXPECT_EQ(d.machine.HeldAspiRequests(), 1u);
  EXPECT_EQ(d.machine.LiveEvents(), 1u);  // the retired request's event stays for the manager

  d.machine.Sleep(10000);  // the manager answers now, 20 s after the command
  EXPECT_EQ(d.machine.HeldAspiRequests(), 0u);
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0u);

  std::array<uint8_t, 2048> data{};
  ASSERT_EQ(ReadFlash(d.layer, d.ref, data.data(), 0x1000, 2048), 1);
  const std::vector<uint8_t> flash = d.drives[0]->Flash();
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()),
            std::vector<uint8_t>(flash.begin() + 0x1000, flash.begin() + 0x1800));
  d.drives[0]->FailNth(cdb::kOpTestUnitReady, 3, {0x02, 0x3A, 0x00});
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 1);
  EXPECT_EQ(TestUnitReady(d.layer, d.ref), 0);
  EXPECT_EQ(d.layer.GetSenseCode(d.ref), 0x023A00u);
}

}  // namespace
}  // namespace scsi
