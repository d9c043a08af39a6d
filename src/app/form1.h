// The main window TForm1 of unit Main: the drive list, the Flash command and its timed run, the
// report and reboot, and the hidden service functions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_file.h"
#include "settings/startup_settings.h"
#include "ui/form.h"
#include "ui/open_dialog.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "update/aspithread.h"
#include "update/drive_table.h"

namespace app {

// The window lists ten drives. The worker's drive table and the saved drive order sit below the
// window and cannot see this constant, so they hold their own count; the window ties them here.
inline constexpr int kRows = 10;
static_assert(update::DriveTable::kEntries == kRows, "a drive-table entry per row");
static_assert(settings::kDriveRows == kRows, "a saved drive-order row per row");

class TForm1 : public ui::TForm {
 public:
  // Builds the controls as the form resource lays them out; FormCreate runs when the application
  // creates the form.
  explicit TForm1(ui::TComponent* owner);
  ~TForm1() override = default;

  // The controls of the form resource, in its order.
  ui::TOpenDialog* OpenDialogLoad;
  ui::TPanel* Panel1;
  ui::TButton* ButtonLoad;
  ui::TLabel* Label1;
  ui::TEdit* Edit1;
  ui::TEdit* EditCS;
  ui::TButton* ButtonFlash;
  ui::TTimer* TimerPB;
  ui::TButton* Button1;
  ui::TCheckBox* CheckBoxEject;
  ui::TCheckBox* CheckBoxForcedFlash;
  ui::TCheckBox* CheckBoxReset;
  ui::TButton* ButExit;
  ui::TStatusBar* StatusBar;
  ui::TButton* ButCS;
  ui::TLabel* LabelCS;
  ui::TButton* ButAD;
  ui::TProgressBar* ProgressBar;
  // Unattended only: presses Flash once the message loop runs.
  ui::TTimer* autoPress = nullptr;

  // Worker k updates device k.
  std::array<update::AspiExec*, kRows> workers{};
  // The last flash checksum known: FLASH.INI's [FLASHROM] CHECKSUM at start-up, then each Get CS.
  // Every Flash command clears it, and no job takes it: a run reads the checksum back only to
  // verify it against verifyReference.
  uint16_t storedChecksum = 0;
  // [VERIFY] CHECKSUM when it holds a valid value (StartBench): every job of a run is handed it,
  // and its worker judges the read-back against it.
  std::optional<uint16_t> verifyReference;
  uint8_t timerStarted = 0;
  int32_t driveCount = 0;
  settings::DriveOrder DriveOrder{};
  std::array<ui::TCheckBox*, kRows> rows{};

  void FormCreate(ui::TObject* sender);
  void ButtonLoadClick(ui::TObject* sender);
  void ButtonFlashClick(ui::TObject* sender);
  void TimerPBTimer(ui::TObject* sender);
  void Button1Click(ui::TObject* sender);
  void ButExitClick(ui::TObject* sender);
  void ButCSClick(ui::TObject* sender);
  void ButADClick(ui::TObject* sender);
  void FormCloseQuery(ui::TObject* sender, bool& canClose);
  void FormQueryEndSession(ui::TObject* sender, bool& canEnd);
  // The desktop around a run: the suspend query, suspend and resume, AutoPlay (run_guards.cpp).
  void FormPowerBroadcast(ui::TObject* sender, uint32_t event, bool& deny);
  void FormQueryCancelAutoPlay(ui::TObject* sender, bool& cancel);

  // The service controls stay hidden until the operator presses this shortcut; then they are
  // shown below the rest for the remainder of the run.
  static constexpr unsigned kServiceKey = 'S';
  static constexpr ui::TShiftState kServiceShift = ui::ssCtrl | ui::ssShift;
  void ShowServiceControls();
  bool ServiceControlsShown() const { return serviceShown_; }

  // The drive list.
  void StartupScan();
  void RefreshRowCaption(int row);
  // The update run.
  int32_t ProgressCounter() const { return progressCounter_; }
  void ShowProgress(int32_t value);
  bool AllTickedRefused() const;
  // True while a worker that the current or last run started has not finished its job.
  bool RunBusy() const;
  // True while the run will still end by itself: its timer runs, or a worker it started writes.
  bool RunUnderWay() const;
  int Reboot();

  // One drive operation at a time: a run (from the Flash command to the end of the run), Get CS
  // and ArgDrv each refuse to start while another one holds the drives, and none re-enables a
  // control that another one holds disabled.
  bool RunActive() const { return runActive_; }
  bool ArgDrvScanning() const { return argDrvScanning_; }
  bool GetCsActive() const { return getCsActive_; }
  // The device each row stood for when the run started, or -1 for a row that was not ticked.
  const std::array<int32_t, kRows>& RunRowDevices() const { return runRowDevices_; }

 private:
  void BuildLayout();
  void SetRunControlsEnabled(bool enabled);
  void SetServiceHeldControlsEnabled(bool enabled);
  void EndRun();
  // On a low battery: the user's answer to go on (true also when no question is needed); the
  // unattended run ends here with its status (run_guards.cpp).
  bool PowerAllowsRun();
  // The run log's start record: the ticked rows as they stand, before any job starts.
  void LogRunStart();
  // The run's workers still write, or ArgDrv or Get CS holds the drives.
  bool DrivesHeld() const { return RunBusy() || argDrvScanning_ || getCsActive_; }

  int32_t progressCounter_ = 0;
  bool serviceShown_ = false;
  bool runActive_ = false;
  bool argDrvScanning_ = false;
  bool getCsActive_ = false;
  // E&XIT pressed while ArgDrv scans: the program ends once ArgDrv has finished its writes.
  bool exitAfterArgDrv_ = false;
  // Device indices whose worker the current run started.
  std::array<bool, kRows> startedThisRun_{};
  std::array<int32_t, kRows> runRowDevices_{};
};

}  // namespace app
