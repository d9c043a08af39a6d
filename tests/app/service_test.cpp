// The hidden service functions: the checksum query, the drive arrangement and "Load CVT".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_harness.h"
#include "scsi/cdb.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

using testing::AppHarness;

std::string IniValue(AppHarness& h, const char* section, const char* key) {
  char buffer[128] = {};
  h.profile.GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, ".\\FLASH.INI");
  return buffer;
}

// A flash of zeros but for one byte, so its checksum is that byte.
void FlashSummingTo(emu::Drive& drive, uint8_t sum) {
  drive.FillFlash(0);
  drive.WriteFlash(0, {sum});
}

struct GetCsCase {
  std::string name;
  std::vector<emu::SenseTriple> firstDriveSense;  // empty: the first drive is ready
  int usedDrive;
};

class GetCs : public ::testing::TestWithParam<GetCsCase> {};

TEST_P(GetCs, ShowsAndStoresTheChecksumOfTheFirstResponsiveDrive) {
  AppHarness h;
  auto first = h.AddDrive();
  auto second = h.AddDrive();
  for (const auto& sense : GetParam().firstDriveSense) first->FailAll(scsi::cdb::kOpTestUnitReady, sense);
  FlashSummingTo(*first, 0x12);
  FlashSummingTo(*second, 0xFF);
  TForm1& form = h.Start();
  form.ButCSClick(nullptr);
  const bool usedFirst = GetParam().usedDrive == 0;
  EXPECT_EQ(form.EditCS->Text(), usedFirst ? "0012h" : "00FFh");
  EXPECT_EQ(form.storedChecksum, usedFirst ? 0x12 : 0xFF);
  EXPECT_EQ(IniValue(h, "FLASHROM", "CHECKSUM"), usedFirst ? "18" : "255");
  EXPECT_TRUE(form.ButCS->Enabled());
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.machine.OpenDeviceHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, GetCs,
    ::testing::Values(GetCsCase{"FirstReady", {}, 0},
                      GetCsCase{"FirstEmptyIsTaken", {{0x02, 0x3A, 0x00}}, 0},
                      GetCsCase{"FirstJustChangedIsTaken", {{0x06, 0x28, 0x00}}, 0},
                      GetCsCase{"FirstTrayClosedEmptyIsSkipped", {{0x02, 0x3A, 0x01}}, 1},
                      GetCsCase{"FirstBecomingReadyIsSkipped", {{0x02, 0x04, 0x01}}, 1}),
    [](const auto& tp) { return tp.param.name; });

TEST(GetCsWithoutDrives, SaysNoValidDriveAndWritesNothing) {
  AppHarness h;
  TForm1& form = h.Start();
  form.ButCSClick(nullptr);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"No Valid Drive"});
  EXPECT_TRUE(form.ButCS->Enabled());
  EXPECT_EQ(form.EditCS->Text(), "");
  EXPECT_EQ(h.ReadIni(), "");
}

TEST(GetCsWithAFailingRead, ReportsItThenStoresThePartialSum) {
  AppHarness h;
  auto drive = h.AddDrive();
  drive->FillFlash(0xFF);
  drive->FailNthVendor(scsi::cdb::kOpVendor, scsi::cdb::kVendorReadFlash, 3, {0x03, 0x11, 0x00});
  TForm1& form = h.Start();
  form.ButCSClick(nullptr);
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Read Flash NG"});
  EXPECT_EQ(h.backend.MessageBoxes()[0].caption, ui::Application->Title());
  EXPECT_EQ(h.backend.MessageBoxes()[0].flags & ui::kMbTypeMask, ui::kMbOk);
  // Two chunks of 2048 bytes of 0xFF were read before the failure.
  EXPECT_EQ(form.EditCS->Text(), "F000h");
  EXPECT_EQ(IniValue(h, "FLASHROM", "CHECKSUM"), "61440");
}

std::vector<std::string> PriorityKeys(AppHarness& h) {
  std::vector<std::string> values;
  for (int key = 0; key < 10; ++key) values.push_back(IniValue(h, "DRIVE_PRIORITY", std::to_string(key).c_str()));
  values.push_back(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"));
  return values;
}

TEST(ArgDrv, DrivesEmptyFromTheStartArePlacedInOneScan) {
  AppHarness h;
  for (int i = 0; i < 3; ++i) h.AddDrive({"TEVOR", "DRIVE " + std::to_string(i), "1.00"})->SetMedium(emu::Medium::NoMedium);
  TForm1& form = h.Start();
  form.ButADClick(nullptr);
  EXPECT_EQ(form.DriveOrder, (settings::DriveOrder{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(PriorityKeys(h), (std::vector<std::string>{"0", "1", "2", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "3"}));
  EXPECT_TRUE(h.machine.SleepsOfThisThread().empty());
  EXPECT_TRUE(form.ButAD->Enabled());
}

TEST(ArgDrv, TheFirstDriveEmptiedTakesTheFirstRow) {
  AppHarness h;
  auto d0 = h.AddDrive({"TEVOR", "DRIVE 0", "1.00"});
  auto d1 = h.AddDrive({"TEVOR", "DRIVE 1", "1.00"});
  // Counted from here: device 1 is emptied during the third wait, device 0 two waits later.
  d1->ScheduleMediumAfterTestUnitReady(3, emu::Medium::NoMedium);
  d0->ScheduleMediumAfterTestUnitReady(5, emu::Medium::NoMedium);
  TForm1& form = h.Start();
  form.ButADClick(nullptr);
  EXPECT_EQ(form.DriveOrder[0], 1);
  EXPECT_EQ(form.DriveOrder[1], 0);
  EXPECT_EQ(form.rows[0]->Caption(), "TEVOR   DRIVE 1         1.00");
  EXPECT_EQ(form.rows[1]->Caption(), "TEVOR   DRIVE 0         1.00");
  EXPECT_TRUE(form.rows[0]->Enabled() && form.rows[1]->Enabled());
  EXPECT_EQ(h.machine.SleepsOfThisThread(), std::vector<uint32_t>(5, 1000));
  EXPECT_EQ(IniValue(h, "DRIVE_PRIORITY", "TOTAL_DRIVE"), "2");
}

TEST(ArgDrv, ADriveNeverEmptiedRunsOutAfterSixtyOneScans) {
  AppHarness h;
  h.AddDrive()->SetMedium(emu::Medium::NoMedium);
  // An open tray (02/3A/02) is not the operator's cue; only exactly 02/3A/00 is.
  h.AddDrive()->SetMedium(emu::Medium::TrayOpen);
  h.WriteIni("[DRIVE_PRIORITY]\r\n1=7\r\n");
  TForm1& form = h.Start();
  form.ButADClick(nullptr);
  EXPECT_EQ(h.machine.SleepsOfThisThread(), std::vector<uint32_t>(60, 1000));
  EXPECT_EQ(PriorityKeys(h), (std::vector<std::string>{"0", "7", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "1"}));
  EXPECT_TRUE(form.rows[0]->Enabled());
  EXPECT_FALSE(form.rows[1]->Enabled());
  EXPECT_EQ(h.drives[1]->Log().size(), 1u + 61u);  // the start-up INQUIRY and one TEST UNIT READY a scan
}

TEST(LoadCvt, ConfirmedFileIsShownAndEnablesFlashWithoutReadingIt) {
  AppHarness h;
  TForm1& form = h.Start();
  form.ButtonFlash->SetEnabled(false);
  h.backend.SetOpenDialogResponder([](const auto&) { return std::optional<std::string>("C:\\FW\\NEW.CVT"); });
  form.ButtonLoadClick(nullptr);
  EXPECT_EQ(form.Edit1->Text(), "C:\\FW\\NEW.CVT");
  EXPECT_TRUE(form.ButtonFlash->Enabled());
  ASSERT_EQ(h.backend.OpenDialogs().size(), 1u);
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.ReadIni(), "");
}

TEST(LoadCvt, CancelChangesNothing) {
  AppHarness h;
  TForm1& form = h.Start();
  form.ButtonFlash->SetEnabled(false);
  form.ButtonLoadClick(nullptr);
  EXPECT_EQ(form.Edit1->Text(), "");
  EXPECT_FALSE(form.ButtonFlash->Enabled());
}

TEST(ServiceShortcut, ShowsTheServiceControlsWithoutMovingAnything) {
  AppHarness h;
  h.AddDrive();
  TForm1& form = h.Start();
  struct Place {
    const ui::TControl* control;
    int left, top, width, height;
  };
  std::vector<Place> before;
  for (const ui::TControl* c : std::initializer_list<const ui::TControl*>{
           form.ButtonFlash, form.ButExit, form.Panel1, form.StatusBar, form.ProgressBar, form.rows[0]}) {
    before.push_back({c, c->Left(), c->Top(), c->Width(), c->Height()});
  }
  EXPECT_FALSE(form.IsShortCut('S', ui::ssCtrl));  // not the shortcut: nothing happens
  EXPECT_FALSE(form.ButCS->Visible());

  EXPECT_TRUE(form.IsShortCut('S', ui::ssCtrl | ui::ssShift));
  for (const ui::TControl* c : std::initializer_list<const ui::TControl*>{
           form.ButtonLoad, form.Label1, form.Edit1, form.LabelCS, form.EditCS, form.ButCS, form.ButAD}) {
    EXPECT_TRUE(c->Visible()) << c->Caption();
    EXPECT_EQ(c->Parent(), &form);
    // Inside the window, below everything that was there before.
    EXPECT_GE(c->Top(), 175);
    EXPECT_LE(c->Left() + c->Width(), form.ClientWidth());
    EXPECT_LE(c->Top() + c->Height(), form.ClientHeight());
  }
  for (const Place& p : before) {
    EXPECT_EQ(p.control->Left(), p.left);
    EXPECT_EQ(p.control->Top(), p.top);
    EXPECT_EQ(p.control->Width(), p.width);
    EXPECT_EQ(p.control->Height(), p.height);
  }
  // Pressed again, it changes nothing.
  const int height = form.ClientHeight();
  form.IsShortCut('S', ui::ssCtrl | ui::ssShift);
  EXPECT_EQ(form.ClientHeight(), height);
}

}  // namespace
}  // namespace app
