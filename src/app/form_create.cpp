// FormCreate: the ten rows and their suspended workers, the drive scan, the captions, the hidden
// service controls, and the settings (row order, checksum, firmware file).
#include <memory>
#include <string>

#include "app/bench_mode.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "settings/startup_settings.h"
#include "ui/dialogs.h"

namespace app {
namespace {

constexpr int kWindowWidth = 370;
constexpr int kRowLeft = 10;
constexpr int kRowTop = 20;
constexpr int kRowPitch = 20;
constexpr int kRowWidth = 310;
constexpr int kRowHeight = 17;
constexpr int kRowFontPoints = 10;

// What the user of the consumer family is told when the ASPI back end has no manager to use:
// without it the list stays empty and Flash would only answer that no drive is selected.
std::string AspiManagerNotice(scsi::AspiManagerState state) {
  switch (state) {
    case scsi::AspiManagerState::NotLoaded:
      return "No ASPI manager: WNASPI32.DLL cannot be loaded, so no drive can be found. "
             "Install an ASPI manager that provides WNASPI32.DLL, then start this program again.";
    case scsi::AspiManagerState::EntryPointsMissing:
      return "WNASPI32.DLL is not a usable ASPI manager: it lacks GetASPI32SupportInfo or "
             "SendASPI32Command, so no drive can be found. Reinstall the ASPI manager, then start this "
             "program again.";
    case scsi::AspiManagerState::NotCompleted:
      return "The ASPI manager (WNASPI32.DLL) reports that it is not ready (no host adapter), so no "
             "drive can be found. Check the drive's adapter and reinstall the ASPI manager, then start "
             "this program again.";
    case scsi::AspiManagerState::NotUsed:
    case scsi::AspiManagerState::Ready:
      break;
  }
  return std::string();
}

}  // namespace

void TForm1::FormCreate(ui::TObject*) {
  MainUnit& unit = MainUnit::Current();
  Machine& os = unit.machine;

  SetWidth(kWindowWidth);
  StatusBar->SetWidth(kWindowWidth);
  ProgressBar->SetWidth(StatusBar->Panels()[0].Width() + 1);

  for (int i = 0; i < kRows; ++i) {
    auto* row = new ui::TCheckBox(this);
    row->SetBounds(kRowLeft, kRowTop + kRowPitch * i, kRowWidth, kRowHeight);
    row->SetCaption(std::to_string(i));
    row->SetParent(this);
    row->SetVisible(false);
    row->Font().SetSize(kRowFontPoints);
    row->Font().SetStyle(ui::fsBold);
    row->SetChecked(false);
    rows[i] = row;

    auto& worker = unit.workers[i];
    worker = std::make_unique<update::AspiExec>(os.scsi, os.clock, unit.drives, os.image);
    worker->SetDeviceIndex(i);
    worker->SetPriority(platform::tpNormal);
    workers[i] = worker.get();
  }

  StartupScan();
  const std::string aspiNotice = AspiManagerNotice(os.scsi.AspiState());
  if (!aspiNotice.empty()) Notify(aspiNotice);

  SetCaption("Tolvarine V0.60 by Tevor PMXT-II");
  ButtonLoad->SetCaption("&Load CVT");
  ButtonFlash->SetCaption("&Flash");
  ButExit->SetCaption("E&XIT");
  ButCS->SetCaption("Get CS");
  Panel1->SetCaption("");
  Label1->SetCaption("File:");
  Edit1->SetText("");
  CheckBoxEject->SetCaption("&Eject before update");
  CheckBoxForcedFlash->SetCaption("Forced Update");
  CheckBoxReset->SetCaption("Reset after flash");

  CheckBoxForcedFlash->SetChecked(false);
  Button1->SetVisible(false);
  CheckBoxEject->SetVisible(false);
  CheckBoxReset->SetVisible(false);
  ProgressBar->SetTop(Panel1->Height() - ProgressBar->Height());
  ButCS->SetVisible(false);

  EditCS->SetText("");
  LabelCS->SetCaption("CS:");
  ButAD->SetCaption("ArgDrv");
  ButAD->SetTop(ButCS->Top());

  // The refresh reads the row's device from DriveOrder, so each entry is in place before it.
  const settings::StartupSettings read =
      settings::ReadStartupSettings(os.profile, driveCount, [this](int row, int32_t device) {
        DriveOrder[row] = device;
        RefreshRowCaption(row);
      });
  storedChecksum = read.storedChecksum;
  DriveOrder = read.driveOrder;
  unit.startupDirectory = read.startupDirectory;
  unit.firmwarePath = read.firmwarePath;
  Edit1->SetText(unit.firmwarePath);
  if (!unit.loader) {
    service::LoaderUi loaderUi{[](const std::string& text) { Notify(text); },
                               [this] { ButtonFlash->SetEnabled(true); }};
    unit.loader = std::make_unique<service::CvtLoader>(os.files, os.profile, loaderUi);
  }
  if (!unit.firmwarePath.empty()) unit.loader->LoadAndVerify(unit.firmwarePath, unit.startupDirectory);

  StartBench(*this);
}

}  // namespace app
