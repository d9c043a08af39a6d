// Program start-up: the window's layout and captions after FormCreate, the drive list filled by
// the scan, the row order from FLASH.INI and the firmware file named there.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app_harness.h"
#include "scsi/cdb.h"

namespace app {
namespace {

using testing::AppHarness;
using testing::DriveSpec;
using testing::System;
using testing::SystemName;

struct RowState {
  bool visible;
  bool checked;
  std::string caption;
  bool operator==(const RowState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RowState& row) {
  return out << "{" << row.visible << "," << row.checked << ",\"" << row.caption << "\"}";
}

std::vector<RowState> Rows(const TForm1& form) {
  std::vector<RowState> rows;
  for (const ui::TCheckBox* row : form.rows) rows.push_back({row->Visible(), row->Checked(), row->Caption()});
  return rows;
}

std::vector<RowState> Expected(std::vector<std::string> captions) {
  std::vector<RowState> rows;
  for (size_t i = 0; i < kRows; ++i) {
    if (i < captions.size()) {
      rows.push_back({true, true, captions[i]});
    } else {
      rows.push_back({false, false, std::to_string(i)});
    }
  }
  return rows;
}

struct ScanCase {
  std::string name;
  std::vector<DriveSpec> drives;
  std::vector<std::string> captions;
};

const ScanCase kScanCases[] = {
    {"NoDrive", {}, {}},
    {"TwoDrives",
     {{}, {"OTHER", "DVD-ROM XY", "0.1"}},
     {"TEVOR   DVD RW KMR5133  1.00", "OTHER   DVD-ROM XY      0.1 "}},
    {"ThreeDrivesAnyModel",
     {{}, {"TEVOR", "HTL6190A", "2.01"}, {"ACME", "WRITER", "9.99"}},
     {"TEVOR   DVD RW KMR5133  1.00", "TEVOR   HTL6190A        2.01", "ACME    WRITER          9.99"}},
};

class StartupScan : public ::testing::TestWithParam<std::tuple<ScanCase, System>> {};

TEST_P(StartupScan, ShowsAndTicksOneRowPerDriveWithItsIdentification) {
  const auto& [c, system] = GetParam();
  AppHarness h;
  RunOn(h, system);
  for (const auto& wanted : c.drives) h.AddDrive(wanted);
  TForm1& form = h.Start();
  EXPECT_EQ(form.driveCount, static_cast<int32_t>(c.drives.size()));
  EXPECT_EQ(Rows(form), Expected(c.captions));
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  // One INQUIRY of 36 bytes per drive, and nothing else, at start-up.
  for (const auto& drive : h.drives) {
    const auto log = drive->Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].cdb, scsi::cdb::Inquiry(36));
  }
  for (int i = 0; i < kRows; ++i) {
    EXPECT_EQ(form.workers[i]->DeviceIndex(), i);
    EXPECT_EQ(form.workers[i]->Priority(), platform::tpNormal);
    EXPECT_TRUE(form.workers[i]->Suspended());
  }
}

INSTANTIATE_TEST_SUITE_P(Drives, StartupScan,
                         ::testing::Combine(::testing::ValuesIn(kScanCases),
                                            ::testing::Values(System::Nt, System::Win98Se)),
                         [](const auto& tp) {
                           return std::get<0>(tp.param).name + SystemName(std::get<1>(tp.param));
                         });

struct AspiNoticeCase {
  std::string name;
  std::function<void(emu::AspiOptions&)> breakManager;
  std::string says;  // a part of the one box at start-up
};

const AspiNoticeCase kAspiNotices[] = {
    {"NotLoadable", [](emu::AspiOptions& o) { o.libraryPresent = false; }, "WNASPI32.DLL cannot be loaded"},
    {"NoSupportInfo", [](emu::AspiOptions& o) { o.hasSupportInfo = false; }, "lacks GetASPI32SupportInfo or"},
    {"NoSendCommand", [](emu::AspiOptions& o) { o.hasSendCommand = false; }, "SendASPI32Command"},
    {"NotCompleted", [](emu::AspiOptions& o) { o.supportStatus = platform::kSsErr; },
     "The ASPI manager (WNASPI32.DLL) reports that it is not ready"},
};

class NoAspiManager : public ::testing::TestWithParam<AspiNoticeCase> {};

TEST_P(NoAspiManager, ToldOnceAtStartUpWithWhatToDo) {
  AppHarness h;
  RunOn(h, System::Win98Se);
  emu::AspiOptions options;
  GetParam().breakManager(options);
  h.machine.SetAspi(options);
  h.AddDrive();
  TForm1& form = h.Start();
  EXPECT_EQ(form.driveCount, 0);
  const auto boxes = h.BoxTexts();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(GetParam().says), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("start this program again"), std::string::npos) << boxes[0];
  form.ButtonFlashClick(nullptr);  // the list stays empty: Flash still says so
  EXPECT_EQ(h.BoxTexts().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Aspi, NoAspiManager, ::testing::ValuesIn(kAspiNotices),
                         [](const auto& tp) { return tp.param.name; });

TEST(StartupScan, TextStopsAtAZeroByteAndASilentDriveShowsNgStillTicked) {
  AppHarness h;
  emu::DriveConfig cut;
  cut.rawInquiry = std::vector<uint8_t>(36, ' ');
  cut.rawInquiry[0] = 5;
  const std::string text = "TEVOR   DVD";
  std::copy(text.begin(), text.end(), cut.rawInquiry.begin() + 8);
  cut.rawInquiry[8 + text.size()] = 0;
  h.AddConfiguredDrive(cut);
  h.AddConfiguredDrive({})->FailAll(scsi::cdb::kOpInquiry, {0x04, 0x44, 0x00});
  TForm1& form = h.Start();
  EXPECT_EQ(Rows(form), Expected({"TEVOR   DVD", "NG"}));
}

TEST(StartupScan, DevicesBeyondTheTenthGetNoRow) {
  AppHarness h;
  for (int i = 0; i < 12; ++i) h.AddDrive();
  TForm1& form = h.Start();
  EXPECT_EQ(form.driveCount, 10);
  for (const ui::TCheckBox* row : form.rows) EXPECT_TRUE(row->Visible() && row->Checked());
  EXPECT_TRUE(h.drives[10]->Log().empty());
  EXPECT_TRUE(h.drives[11]->Log().empty());
}

struct ControlState {
  std::string name;
  std::function<const ui::TControl*(const TForm1&)> control;
  std::string caption;
  bool visible;
};

const ControlState kControls[] = {
    {"ButtonLoad", [](const TForm1& f) { return f.ButtonLoad; }, "&Load CVT", false},
    {"ButtonFlash", [](const TForm1& f) { return f.ButtonFlash; }, "&Flash", true},
    {"ButExit", [](const TForm1& f) { return f.ButExit; }, "E&XIT", true},
    {"ButCS", [](const TForm1& f) { return f.ButCS; }, "Get CS", false},
    {"ButAD", [](const TForm1& f) { return f.ButAD; }, "ArgDrv", false},
    {"Panel1", [](const TForm1& f) { return f.Panel1; }, "", true},
    {"Label1", [](const TForm1& f) { return f.Label1; }, "File:", false},
    {"LabelCS", [](const TForm1& f) { return f.LabelCS; }, "CS:", false},
    {"Edit1", [](const TForm1& f) { return f.Edit1; }, "", false},
    {"EditCS", [](const TForm1& f) { return f.EditCS; }, "", false},
    {"Button1", [](const TForm1& f) { return f.Button1; }, "Button1", false},
    {"CheckBoxEject", [](const TForm1& f) { return f.CheckBoxEject; }, "&Eject before update", false},
    {"CheckBoxForcedFlash", [](const TForm1& f) { return f.CheckBoxForcedFlash; }, "Forced Update", false},
    {"CheckBoxReset", [](const TForm1& f) { return f.CheckBoxReset; }, "Reset after flash", false},
    {"ProgressBar", [](const TForm1& f) { return f.ProgressBar; }, "", true},
    {"StatusBar", [](const TForm1& f) { return f.StatusBar; }, "", true},
};

class AfterFormCreate : public ::testing::TestWithParam<ControlState> {};

TEST_P(AfterFormCreate, ControlHasItsCaptionAndVisibility) {
  AppHarness h;
  h.AddDrive();
  TForm1& form = h.Start();
  const ui::TControl* control = GetParam().control(form);
  EXPECT_EQ(control->Caption(), GetParam().caption);
  EXPECT_EQ(control->Visible(), GetParam().visible);
}

INSTANTIATE_TEST_SUITE_P(Controls, AfterFormCreate, ::testing::ValuesIn(kControls),
                         [](const auto& tp) { return tp.param.name; });

TEST(AfterFormCreate, WindowLayoutIsTheContract) {
  AppHarness h;
  TForm1& form = h.Start();
  EXPECT_EQ(form.Caption(), "Tolvarine V0.60 by Tevor PMXT-II");
  EXPECT_EQ(form.Width(), 370);
  EXPECT_EQ(form.BorderIcons(), ui::biSystemMenu | ui::biMinimize);
  EXPECT_EQ(form.ProgressBar->Width(), 251);
  EXPECT_EQ(form.ProgressBar->Top(), 49);
  EXPECT_EQ(form.ButAD->Top(), form.ButCS->Top());
  EXPECT_FALSE(form.CheckBoxForcedFlash->Checked());
  EXPECT_FALSE(form.TimerPB->Enabled());
  EXPECT_EQ(form.TimerPB->Interval(), 900u);
  EXPECT_EQ(form.StatusBar->Panels()[1].Text(), "Percent");
  EXPECT_EQ(form.OpenDialogLoad->Filter(), "Firmeare P(*.CVT)|*.CVT");
  for (int i = 0; i < kRows; ++i) {
    const ui::TCheckBox* row = form.rows[i];
    EXPECT_EQ(row->Parent(), &form);
    EXPECT_EQ(row->Left(), 10);
    EXPECT_EQ(row->Top(), 20 + 20 * i);
    EXPECT_EQ(row->Width(), 310);
    EXPECT_EQ(row->Font().Size(), 10);
    EXPECT_TRUE(row->Font().Bold());
  }
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
}

struct IniCase {
  std::string name;
  int drives;
  std::string ini;
  settings::DriveOrder order;
  std::vector<std::string> captions;
};

const IniCase kIniCases[] = {
    {"ArrangementApplied", 2,
     "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n1=0\r\n2=-1\r\n3=-1\r\n4=-1\r\n5=-1\r\n6=-1\r\n7=-1\r\n8=-1\r\n9=-1\r\n",
     {1, 0, 2, 3, 4, 5, 6, 7, 8, 9},
     {"TEVOR   DRIVE 1         1.00", "TEVOR   DRIVE 0         1.00"}},
    {"CountChangedIgnoresIt", 3, "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n1=0\r\n",
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
     {"TEVOR   DRIVE 0         1.00", "TEVOR   DRIVE 1         1.00", "TEVOR   DRIVE 2         1.00"}},
    // The missing key would map row 1 to device 1 a second time: it takes the drive left out.
    {"MissingKeyTakesTheDriveLeftOut", 2, "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=2\r\n0=1\r\n",
     {1, 0, 2, 3, 4, 5, 6, 7, 8, 9},
     {"TEVOR   DRIVE 1         1.00", "TEVOR   DRIVE 0         1.00"}},
    // 98 SE's own integer read would make 0 of each of these.
    {"PlusSignsReadAsTheNumber", 2, "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=+2\r\n0=+1\r\n1=+0\r\n",
     {1, 0, 2, 3, 4, 5, 6, 7, 8, 9},
     {"TEVOR   DRIVE 1         1.00", "TEVOR   DRIVE 0         1.00"}},
};

class IniArrangement : public ::testing::TestWithParam<std::tuple<IniCase, System>> {};

TEST_P(IniArrangement, MapsRowsAndRefreshesTheirCaptions) {
  const auto& [c, system] = GetParam();
  AppHarness h;
  RunOn(h, system);
  for (int i = 0; i < c.drives; ++i) h.AddDrive({"TEVOR", "DRIVE " + std::to_string(i), "1.00"});
  h.WriteIni(c.ini);
  TForm1& form = h.Start();
  EXPECT_EQ(form.DriveOrder, c.order);
  EXPECT_EQ(Rows(form), Expected(c.captions));
}

INSTANTIATE_TEST_SUITE_P(FlashIni, IniArrangement,
                         ::testing::Combine(::testing::ValuesIn(kIniCases),
                                            ::testing::Values(System::Nt, System::Win98Se)),
                         [](const auto& tp) {
                           return std::get<0>(tp.param).name + SystemName(std::get<1>(tp.param));
                         });

TEST(StartupSettings, ChecksumAndFirmwareFileComeFromFlashIni) {
  AppHarness h;
  h.WriteIni("[FLASHROM]\r\nCHECKSUM=70000\r\n[FIRMWARE]\r\nPATH=missing.cvt\r\n");
  TForm1& form = h.Start();
  EXPECT_EQ(form.storedChecksum, 4464);
  EXPECT_EQ(form.EditCS->Text(), "");
  EXPECT_EQ(form.Edit1->Text(), "missing.cvt");
  // The loader ran on the named file and reported it.
  EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Read NG"});
}

// The loader writes back the path it was given: a path read cut would be stored cut, and the
// user's path lost. Read whole, it is shown and written back as it stands.
TEST(StartupSettings, ALongFirmwarePathIsShownAndWrittenBackWhole) {
  for (const std::size_t length : {200u, 1000u}) {
    AppHarness h;
    const std::string path = "C:\\" + std::string(length - 7, 'p') + ".CVT";
    h.WriteIni("[FIRMWARE]\r\nPATH=" + path + "\r\n");
    TForm1& form = h.Start();
    EXPECT_EQ(form.Edit1->Text(), path) << length;
    EXPECT_EQ(MainUnit::Current().firmwarePath, path) << length;
    EXPECT_EQ(h.ReadIni(), "[FIRMWARE]\r\nPATH=" + path + "\r\n") << length;
    EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Read NG"});
  }
}

TEST(StartupSettings, NoFlashIniLoadsNothing) {
  AppHarness h;
  TForm1& form = h.Start();
  EXPECT_EQ(form.storedChecksum, 0);
  EXPECT_EQ(form.Edit1->Text(), "");
  EXPECT_TRUE(h.backend.MessageBoxes().empty());
  EXPECT_EQ(h.ReadIni(), "");
}

TEST(UnitMain, StartsAndEndsOnceHoweverOftenRequested) {
  AppHarness h;
  h.Start();
  MainUnit& first = MainUnit::Current();
  MainUnit& again = MainUnit::Start(Machine{*h.layer, h.machine, h.machine, h.clock, h.profile, h.shell});
  EXPECT_EQ(&first, &again);
  MainUnit::Finish();
  EXPECT_TRUE(MainUnit::Running());
}

}  // namespace
}  // namespace app
