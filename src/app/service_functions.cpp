// The hidden service functions: "Get CS" reads back the first responsive drive's flash checksum,
// "ArgDrv" orders the rows by the order in which the operator empties the drives, and "Load CVT"
// picks a firmware file name. Each is one drive operation: none starts while a run's workers
// write or the other holds the window's device reference, and ArgDrv, which lets the window
// handle messages between its scans, holds the other operations' buttons disabled meanwhile.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/bench.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "scsi/commands.h"
#include "settings/settings_file.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "update/flash_checksum.h"

namespace app {
namespace {

constexpr scsi::SenseCode kMediumNotPresent = 0x023A00;
constexpr scsi::SenseCode kMediumMayHaveChanged = 0x062800;
constexpr int kMaxScans = 61;
constexpr uint32_t kScanPauseMs = 1000;
constexpr char kNoValidDrive[] = "No Valid Drive";

// "Read Flash NG" goes through the class library's boxes, like every other message of the window.
class WindowDialogs final : public platform::Dialogs {
 public:
  int MessageBoxA(platform::Handle, const char* text, const char* caption, uint32_t type) override {
    return ui::MessageBoxA(text, caption, type);
  }
};

}  // namespace

void TForm1::ButCSClick(ui::TObject*) {
  if (DrivesHeld()) return;
  getCsActive_ = true;
  MainUnit& unit = MainUnit::Current();
  scsi::ScsiLayer& layer = unit.services.scsi;
  scsi::DeviceRef& ref = unit.windowRef;
  ButCS->SetEnabled(false);
  bool taken = false;
  int32_t takenDevice = -1;
  for (int32_t device = 0; device < layer.DeviceCount() && !taken; ++device) {
    layer.OpenRef(ref, device);
    takenDevice = device;
    if (scsi::TestUnitReady(layer, ref) == 1) {
      taken = true;
    } else {
      const scsi::SenseCode code = layer.GetSenseCode(ref);
      taken = code == kMediumNotPresent || code == kMediumMayHaveChanged;
    }
    if (!taken) layer.CloseRef(ref);
  }
  if (taken) {
    WindowDialogs dialogs;
    const std::string title = ui::Application != nullptr ? ui::Application->Title() : std::string();
    bool complete = false;
    const uint16_t checksum = update::FlashChecksumReporting(layer, ref, dialogs, 0, title.c_str(), &complete);
    layer.CloseRef(ref);
    AppendLog(FormatGetCsLine(LogNow(), LogAddress(takenDevice), checksum, complete));
    settings::WriteStoredChecksum(unit.services.profile, checksum);
    storedChecksum = checksum;
    char text[16];
    std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(checksum));
    EditCS->SetText(text);
  } else {
    ui::ShowMessage(kNoValidDrive);
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
  scsi::ScsiLayer& layer = unit.services.scsi;
  scsi::DeviceRef& ref = unit.windowRef;
  std::array<bool, kRows> pending;
  pending.fill(true);
  int32_t placed = 0;
  int scans = 0;
  ButAD->SetEnabled(false);
  SetServiceHeldControlsEnabled(false);
  for (int row = 0; row < driveCount; ++row) rows[row]->SetEnabled(false);

  for (;;) {
    for (int32_t device = 0; device < driveCount; ++device) {
      if (!pending[device]) continue;
      layer.OpenRef(ref, device);
      // Only a failed command with the sense of an empty drive whose tray is closed is the
      // operator's cue: after a good answer the ASPI sense area may still hold an earlier one.
      const bool ready = scsi::TestUnitReady(layer, ref) == 1;
      if (!ready && layer.GetSenseCode(ref) == kMediumNotPresent) {
        DriveOrder[placed] = device;
        settings::WriteDrivePriority(unit.services.profile, placed, device);
        pending[device] = false;
        RefreshRowCaption(placed);
        rows[placed]->SetEnabled(true);
        ++placed;
      }
      layer.CloseRef(ref);
    }
    ++scans;
    if (placed == driveCount || scans >= kMaxScans) break;
    unit.services.clock.Sleep(kScanPauseMs);
    if (ui::Application != nullptr) ui::Application->ProcessMessages();
    // The window was closed or E&XIT pressed meanwhile: no more commands; the writes below end
    // the arrangement as a time-out would.
    const bool closing = ui::Application != nullptr && ui::Application->Terminated();
    if (closing || exitAfterArgDrv_) break;
  }

  for (int row = driveCount; row < kRows; ++row) settings::WriteDrivePriority(unit.services.profile, row, -1);
  settings::WriteTotalDrive(unit.services.profile, placed);
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
