// Reaching the drives as they are on a real machine: an adapter that insists on aligned buffers,
// a drive the account may not open or another program holds, one that does not answer, and a
// block that goes across short. Judged by what the window shows, what the log says and what the
// drive itself received.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/run_log.h"
#include "app_harness.h"
#include "scsi/cdb.h"
#include "ui/colors.h"
#include "ui/message_box_flags.h"
#include "update/firmware_image.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::TicksUntilEnd;
using Kind = emu::Drive::AnswerFault::Kind;

const std::string kName = "TEVOR   DVD RW KMR5133";
const std::string kCaption = "TEVOR   DVD RW KMR5133  1.00";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool HoldsImage(const emu::Drive& drive) {
  const auto flash = drive.Flash();
  const auto& image = update::kEmbeddedImage;
  return std::equal(image.payload, image.payload + image.blockCount * update::kBlockSize, flash.begin());
}

void AnswerCancel(AppHarness& h) {
  h.backend.SetMessageBoxResponder([](const auto&) { return ui::kIdCancel; });
}

// The scan reads INQUIRY into a buffer of its own choosing; an adapter that refuses buffers off
// its alignment must still show every drive, and the drives must still take the image. The
// 32-bit build is the one where that buffer sits off the masks' boundaries.
TEST(DriveAccess, ScanAndUpdateOnAnAdapterThatEnforcesItsAlignment) {
  for (uint32_t mask : {1u, 3u}) {
    SCOPED_TRACE(mask);
    AppHarness h;
    auto first = h.AddDrive();
    auto second = h.AddDrive();
    h.machine.SetAlignmentMask('D', mask);
    h.machine.SetAlignmentMask('E', mask);
    AnswerCancel(h);
    TForm1& form = h.Start();
    EXPECT_EQ(form.rows[0]->Caption(), kCaption);
    EXPECT_EQ(form.rows[1]->Caption(), kCaption);
    form.ButtonFlashClick(nullptr);
    h.WaitForWorkers();
    TicksUntilEnd(h);
    EXPECT_EQ(h.BoxTexts().back(), testing::kUpdateOk);
    EXPECT_TRUE(HoldsImage(*first));
    EXPECT_TRUE(HoldsImage(*second));
  }
}

struct UnreachedCase {
  std::string name;
  test_support::EmulatedBackEnd backEnd;
  std::function<void(AppHarness&)> fault;
  std::string report;
  std::string logged;
};

const UnreachedCase kUnreachedCases[] = {
    {"AccessDenied", test_support::kPassThrough,
     [](AppHarness& h) { h.machine.FailOpen('D', platform::kErrorAccessDenied); },
     "Update D: (Can't open the drive: administrator rights are needed)  NG.",
     "row 0 | D: |  | failed | at open | Windows error 5 (access denied) |"},
    {"SharingViolation", test_support::kPassThrough,
     [](AppHarness& h) { h.machine.FailOpen('D', platform::kErrorSharingViolation); },
     "Update D: (Can't open the drive: another program is using it)  NG.",
     "row 0 | D: |  | failed | at open | Windows error 32 (sharing violation) |"},
    {"OtherOpenError", test_support::kPassThrough, [](AppHarness& h) { h.machine.FailOpen('D', 21); },
     "Update D: (Can't open the drive)  NG.", "row 0 | D: |  | failed | at open | Windows error 21 |"},
    // The scan's INQUIRY is the first, the worker's the second.
    {"NoInquiryAnswer", test_support::kPassThrough,
     [](AppHarness& h) { h.drives[0]->FailNth(scsi::cdb::kOpInquiry, 2, {0x04, 0x44, 0x00}); },
     "Update D: (The drive did not answer)  NG.",
     "row 0 | D: |  | failed | at INQUIRY | sense 04/44/00"},
    {"NoInquiryAnswerOnAspi", test_support::kAspi,
     [](AppHarness& h) {
       h.drives[0]->Inject({scsi::cdb::kOpInquiry, -1, 2, Kind::NoSense, {}, 0, false});
     },
     "Update 0:0 (The drive did not answer)  NG.", "row 0 | 0:0 |  | failed | at INQUIRY | sense no sense |"},
};

class UnreachedDrive : public ::testing::TestWithParam<UnreachedCase> {};

// Not a wrong model: nothing is known of its model. Failed, red, named by where it is, with the
// reason; the unattended run ends with the failure status.
TEST_P(UnreachedDrive, IsAFailedDriveNamedByItsAddress) {
  const UnreachedCase& c = GetParam();
  for (bool unattended : {false, true}) {
    SCOPED_TRACE(unattended ? "/AUTO" : "by hand");
    AppHarness h;
    h.backEnd = c.backEnd;
    auto drive = h.AddDrive();
    c.fault(h);
    AnswerCancel(h);
    if (unattended) h.options = ParseOptions("/AUTO");
    TForm1& form = h.Start();
    if (unattended) {
      h.backend.FireTimer(*form.autoPress);
    } else {
      form.ButtonFlashClick(nullptr);
    }
    h.WaitForWorkers();
    EXPECT_EQ(TicksUntilEnd(h), 101);
    EXPECT_EQ(form.rows[0]->Font().Color(), ui::clRed);
    EXPECT_EQ(MainUnit::Current().drives.Wrong(0), 0);
    EXPECT_EQ(drive->Restarts(), 0);
    for (const auto& command : drive->Log()) EXPECT_EQ(command.cdb[0], scsi::cdb::kOpInquiry);
    EXPECT_TRUE(Contains(h.LogText(), c.logged)) << h.LogText();
    EXPECT_TRUE(Contains(h.LogText(), "report | " + c.report + "\r\n")) << h.LogText();
    if (unattended) {
      EXPECT_TRUE(h.backend.MessageBoxes().empty());
      EXPECT_EQ(h.shell.calls, std::vector<std::string>{"Exit 3"});
    } else {
      EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{c.report});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, UnreachedDrive, ::testing::ValuesIn(kUnreachedCases),
                         [](const auto& tp) { return tp.param.name; });

// The last block answered GOOD though it went across short: the drive never got the image, so
// the run must not call it updated; the log names the block.
TEST(DriveAccess, ShortLastBlockIsAFailedUpdate) {
  for (const test_support::EmulatedBackEnd& backEnd : test_support::kBothBackEnds) {
    SCOPED_TRACE(test_support::BackEndName(backEnd));
    AppHarness h;
    h.backEnd = backEnd;
    auto drive = h.AddDrive();
    drive->Inject({scsi::cdb::kOpWriteFirmwareBlock, -1, 49, Kind::ShortTransfer, {}, 0, false, 0});
    AnswerCancel(h);
    TForm1& form = h.Start();
    form.ButtonFlashClick(nullptr);
    h.WaitForWorkers();
    EXPECT_EQ(TicksUntilEnd(h), 101);
    EXPECT_EQ(form.workers[0]->Outcome(), update::kFlashFailed);
    EXPECT_EQ(form.rows[0]->Font().Color(), ui::clRed);
    EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Update " + kName + "(Update failed)  NG."});
    EXPECT_FALSE(HoldsImage(*drive));
    EXPECT_EQ(drive->Restarts(), 0);
    EXPECT_EQ(drive->Revision(), "1.00");
    const std::string moved = !backEnd.PassThrough() ? " | short transfer |" : " | short transfer, 0 of 16384 bytes |";
    EXPECT_TRUE(Contains(h.LogText(), "| failed | at block 49 of 49 | sense no sense" + moved)) << h.LogText();
  }
}

}  // namespace
}  // namespace app
