// The hidden service functions: "Get CS" reads back the first responsive drive's flash checksum,
// "ArgDrv" orders the rows by the order in which the operator empties the drives, and "Load CVT"
// picks a firmware file name.
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
  ButCS->SetEnabled(true);
}

void TForm1::ButADClick(ui::TObject*) {
  MainUnit& unit = MainUnit::Current();
  scsi::ScsiLayer& layer = unit.services.scsi;
  scsi::DeviceRef& ref = unit.windowRef;
  std::array<bool, kRows> pending;
  pending.fill(true);
  int32_t placed = 0;
  int scans = 0;
  ButAD->SetEnabled(false);
  for (int row = 0; row < driveCount; ++row) rows[row]->SetEnabled(false);

  for (;;) {
    for (int32_t device = 0; device < driveCount; ++device) {
      if (!pending[device]) continue;
      layer.OpenRef(ref, device);
      scsi::TestUnitReady(layer, ref);
      // Only an empty drive with its tray closed counts: the operator's cue.
      if (layer.GetSenseCode(ref) == kMediumNotPresent) {
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
  }

  for (int row = driveCount; row < kRows; ++row) settings::WriteDrivePriority(unit.services.profile, row, -1);
  settings::WriteTotalDrive(unit.services.profile, placed);
  std::vector<std::string> placedAddresses;
  for (int row = 0; row < placed; ++row) placedAddresses.push_back(LogAddress(DriveOrder[row]));
  AppendLog(FormatArgDrvLine(LogNow(), placed, driveCount, placedAddresses));
  ButAD->SetEnabled(true);
}

void TForm1::ButtonLoadClick(ui::TObject*) {
  if (!OpenDialogLoad->Execute()) return;
  Edit1->SetText(OpenDialogLoad->FileName());
  ButtonFlash->SetEnabled(true);
}

}  // namespace app
