// The window's side of the hidden service functions: "Get CS" reads back the first responsive
// drive's flash checksum, "ArgDrv" orders the rows by the order in which the operator empties the
// drives (the drive choice and the scans are the service unit's), and "Load CVT" picks a firmware
// file name. Each is one drive operation: none starts while a run's workers write or the other
// holds the window's device reference, and ArgDrv, which lets the window handle messages between
// its scans, holds the other operations' buttons disabled meanwhile.
#include <string>
#include <vector>

#include "app/bench_mode.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "service/checksum_query.h"
#include "service/drive_arrangement.h"
#include "settings/settings_file.h"
#include "settings/startup_settings.h"
#include "settings/verify_checksum.h"
#include "ui/application.h"
#include "update/flash_checksum.h"

namespace app {
namespace {

constexpr char kNoValidDrive[] = "No Valid Drive";
constexpr char kReadFlashNg[] = "Read Flash NG";

}  // namespace

void TForm1::ButCSClick(ui::TObject*) {
  if (DrivesHeld()) return;
  getCsActive_ = true;
  MainUnit& unit = MainUnit::Current();
  scsi::ScsiLayer& layer = unit.machine.scsi;
  scsi::DeviceRef& ref = unit.windowRef;
  ButCS->SetEnabled(false);
  const int32_t device = service::OpenChecksumDrive(layer, ref);
  if (device >= 0) {
    bool complete = false;
    const uint16_t checksum = update::FlashChecksumReporting(layer, ref, complete);
    // Told while the drive is still held, so no other operation starts behind the box.
    if (!complete) Notify(kReadFlashNg);
    layer.CloseRef(ref);
    AppendLog(FormatGetCsLine(LogNow(), LogAddress(device), checksum, complete));
    settings::WriteStoredChecksum(unit.machine.profile, checksum);
    storedChecksum = checksum;
    EditCS->SetText(settings::ChecksumText(checksum));
  } else {
    Notify(kNoValidDrive);
  }
  getCsActive_ = false;
  // Started once a run's workers had finished: the run's end gives the button back.
  if (!runActive_) ButCS->SetEnabled(true);
}

void TForm1::SetServiceHeldControlsEnabled(bool enabled) {
  ButtonFlash->SetEnabled(enabled);
  ButtonLoad->SetEnabled(enabled);
  ButCS->SetEnabled(enabled);
}

void TForm1::ButADClick(ui::TObject*) {
  if (DrivesHeld()) return;
  argDrvScanning_ = true;
  exitAfterArgDrv_ = false;
  MainUnit& unit = MainUnit::Current();
  ButAD->SetEnabled(false);
  SetServiceHeldControlsEnabled(false);
  for (int row = 0; row < driveCount; ++row) rows[row]->SetEnabled(false);

  service::ArrangementWindow window;
  window.placed = [this](int row) {
    RefreshRowCaption(row);
    rows[row]->SetEnabled(true);
  };
  window.keepScanning = [this] {
    if (ui::Application != nullptr) ui::Application->ProcessMessages();
    const bool closing = ui::Application != nullptr && ui::Application->Terminated();
    return !closing && !exitAfterArgDrv_;
  };
  const int32_t placed = service::ArrangeDrives(unit.machine.scsi, unit.windowRef, unit.machine.clock,
                                                unit.machine.profile, driveCount, DriveOrder, window);

  // Stopped before every drive was placed: the rows left keep their drives where these are still
  // in no row, and the others take the drives left over, so that no drive found drops out of the
  // list (the next start uses the identity order, as TOTAL_DRIVE now differs from the count).
  const auto moved = settings::CompleteDriveOrder(DriveOrder, driveCount);
  for (int row = placed; row < kRows; ++row) {
    if (moved[row]) RefreshRowCaption(row);
  }

  std::vector<std::string> placedAddresses;
  for (int row = 0; row < placed; ++row) placedAddresses.push_back(LogAddress(DriveOrder[row]));
  AppendLog(FormatArgDrvLine(LogNow(), placed, driveCount, placedAddresses));
  argDrvScanning_ = false;
  // A run started before ArgDrv gives these back at its own end.
  if (!runActive_) {
    ButAD->SetEnabled(true);
    SetServiceHeldControlsEnabled(true);
  }
  if (exitAfterArgDrv_) ButExitClick(this);
}

// Choosing a file enables Flash, which a run or ArgDrv holds disabled: refused meanwhile.
void TForm1::ButtonLoadClick(ui::TObject*) {
  if (runActive_ || argDrvScanning_ || getCsActive_) return;
  if (!OpenDialogLoad->Execute()) return;
  Edit1->SetText(OpenDialogLoad->FileName());
  ButtonFlash->SetEnabled(true);
}

}  // namespace app
