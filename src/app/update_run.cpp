// The update run: the Flash command starts one worker per ticked row, the 900 ms timer shows the
// progress, and the end of the run colours the rows, reports and offers the reboot. The run ends
// only when every worker it started has finished, so neither the report nor the reboot can come
// while firmware is still being written, and a failed update is reported as a failure.
#include <cstdio>
#include <string>

#include "app/form1.h"
#include "app/main_unit.h"
#include "ui/application.h"
#include "ui/colors.h"
#include "ui/dialogs.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

constexpr int32_t kProgressEnd = 100;
constexpr char kNoDriveSelected[] = "No drive is selected";
constexpr char kNoCdrom[] = "No CDROM";
constexpr char kUpdateOk[] = "Update OK. Please cloes all programs. This computer will be rebooted.";
constexpr char kWrongDriveEntry[] = "(Wrong Drive, Can't flash)  ";
constexpr char kFailedEntry[] = "(Update failed)  ";
constexpr char kRebootTail[] = " Please cloes all programs. This computer will be rebooted.";
constexpr char kStillWriting[] =
    "The firmware is still being written. Please wait until the update has finished.";
constexpr char kShutdownBlocked[] = "Drive firmware is being written.";

bool ValidDevice(int32_t device) { return device >= 0 && device < kRows; }

}  // namespace

void TForm1::ShowProgress(int32_t value) {
  ProgressBar->SetPosition(value);
  char text[32];
  std::snprintf(text, sizeof text, "Complete: %d%%", static_cast<int>(value));
  StatusBar->Panels()[1].SetText(text);
}

bool TForm1::AllTickedRefused() const {
  const update::DriveTable& drives = MainUnit::Current().drives;
  for (int row = 0; row < kRows; ++row) {
    if (rows[row]->Checked() && drives.Wrong(DriveOrder[row]) == 0) return false;
  }
  return true;
}

bool TForm1::RunBusy() const {
  for (int device = 0; device < kRows; ++device) {
    if (startedThisRun_[device] && workers[device]->Go()) return true;
  }
  return false;
}

void TForm1::SetRunControlsEnabled(bool enabled) {
  ButtonFlash->SetEnabled(enabled);
  ButtonLoad->SetEnabled(enabled);
  ButExit->SetEnabled(enabled);
  ButCS->SetEnabled(enabled);
  ButAD->SetEnabled(enabled);
}

void TForm1::ButtonFlashClick(ui::TObject*) {
  bool anyTicked = false;
  for (const ui::TCheckBox* row : rows) anyTicked = anyTicked || row->Checked();
  if (!anyTicked) {
    ui::ShowMessage(kNoDriveSelected);
    return;
  }
  SetRunControlsEnabled(false);
  progressCounter_ = 0;
  timerStarted = 0;
  storedChecksum = 0;
  MainUnit& unit = MainUnit::Current();
  for (int row = 0; row < kRows; ++row) {
    rows[row]->SetEnabled(false);
    unit.drives.SetWrong(row, 0);
  }
  if (driveCount == 0) ui::ShowMessage(kNoCdrom);

  startedThisRun_.fill(false);
  refusedThisRun_.fill(false);
  SetShutdownBlockReason(kShutdownBlocked);
  for (int row = 0; row < kRows; ++row) {
    const int32_t device = DriveOrder[row];
    if (!rows[row]->Checked() || !ValidDevice(device)) continue;
    if (timerStarted == 0) {
      TimerPB->SetEnabled(true);
      timerStarted = 1;
    }
    // The worker writes the entries of its own device; the checksum is not wanted in a run.
    // A worker that refuses the job has not written this drive: the run reports it as failed.
    if (workers[device]->StartJob(device, storedChecksum != 0)) {
      startedThisRun_[device] = true;
    } else {
      refusedThisRun_[device] = true;
    }
  }
}

void TForm1::TimerPBTimer(ui::TObject*) {
  if (progressCounter_ < kProgressEnd && !AllTickedRefused()) {
    ++progressCounter_;
    ShowProgress(progressCounter_);
    return;
  }
  // Time is up (or every drive was refused), but a worker still writing keeps the run going.
  if (RunBusy()) return;
  TimerPB->SetEnabled(false);
  EndRun();
}

void TForm1::EndRun() {
  const MainUnit& unit = MainUnit::Current();
  std::string list;
  bool refused = false;
  bool failed = false;
  bool updated = false;
  for (int row = 0; row < kRows; ++row) {
    const int32_t device = DriveOrder[row];
    ui::TCheckBox* box = rows[row];
    if (!box->Checked()) {
      box->Font().SetColor(ui::clBlack);
      continue;
    }
    const bool wrong = unit.drives.Wrong(device) != 0;
    const bool workerFailed =
        !wrong && ValidDevice(device) &&
        (refusedThisRun_[device] || (startedThisRun_[device] && workers[device]->Outcome() == update::kFlashFailed));
    if (wrong || workerFailed) {
      box->Font().SetColor(ui::clRed);
      list += unit.drives.Name(device) + (wrong ? kWrongDriveEntry : kFailedEntry);
      refused = refused || wrong;
      failed = failed || workerFailed;
    } else {
      box->Font().SetColor(ui::clGreen);
      updated = true;
    }
  }

  bool rebootWanted = false;
  if (!refused && !failed) {
    ShowProgress(kProgressEnd);
    rebootWanted = ui::MessageBoxA(kUpdateOk, Caption(), ui::kMbOkCancel) == ui::kIdOk;
  } else if (!refused && updated) {
    // Some drives took the new firmware and need the restart even though others failed.
    rebootWanted = ui::MessageBoxA("Update " + list + "NG." + kRebootTail, Caption(), ui::kMbOkCancel) == ui::kIdOk;
  } else {
    ui::ShowMessage("Update " + list + "NG.");
  }

  SetRunControlsEnabled(true);
  for (ui::TCheckBox* row : rows) row->SetEnabled(true);
  SetShutdownBlockReason("");
  if (rebootWanted) Reboot();
}

void TForm1::FormCloseQuery(ui::TObject*, bool& canClose) {
  canClose = !RunBusy();
  if (!canClose) ui::ShowMessage(kStillWriting);
}

// Windows asks before it ends the session: no while a drive is being written, and without a box
// that would hold up the question.
void TForm1::FormQueryEndSession(ui::TObject*, bool& canEnd) { canEnd = !RunBusy(); }

int TForm1::Reboot() {
  platform::Shell& shell = MainUnit::Current().services.shell;
  platform::Handle token = 0;
  if (shell.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery, &token) == 0) return 0;
  platform::Luid luid;
  shell.LookupPrivilegeValueA(platform::kSeShutdownName, &luid);
  shell.AdjustTokenPrivileges(token, luid, platform::kSePrivilegeEnabled);
  if (shell.GetLastError() != 0) return 0;
  return shell.ExitWindowsEx(platform::kEwxReboot, 0) != 0 ? 1 : 0;
}

void TForm1::Button1Click(ui::TObject*) { Reboot(); }

void TForm1::ButExitClick(ui::TObject*) { MainUnit::Current().services.shell.Exit(1); }

}  // namespace app
