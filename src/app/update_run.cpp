// The update run: the Flash command starts one worker per ticked row, the 900 ms timer shows the
// progress, and the end of the run colours the rows, reports and offers the reboot. The run ends
// only when every worker it started has finished, so neither the report nor the reboot can come
// while firmware is still being written, and a failed update is reported as a failure. The run
// records which device each ticked row stood for when it started and judges the rows by that
// record, so a row order changed meanwhile, or two rows naming one device, cannot misreport.
#include <cstdio>
#include <string>

#include "app/bench_mode.h"
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
constexpr char kVerifyFailedEntry[] = "(Verify failed)  ";
constexpr char kRebootTail[] = " Please cloes all programs. This computer will be rebooted.";
constexpr char kStillWriting[] =
    "The firmware is still being written. Please wait until the update has finished.";
constexpr char kShutdownBlocked[] = "Drive firmware is being written.";
constexpr char kCloseWaitsForRun[] =
    "The window's close was refused: the program ends when the update run has ended, with its status.";

bool ValidDevice(int32_t device) { return device >= 0 && device < kRows; }

// A drive that could not be opened, or did not answer, has no name: the report names it by
// where it is and says why.
bool Unreached(const update::JobRecord& job) {
  return job.step == update::FailStep::Open || job.step == update::FailStep::Identification;
}

std::string UnreachedEntry(const std::string& address, const update::JobRecord& job) {
  if (job.step == update::FailStep::Identification) return address + " (The drive did not answer)  ";
  switch (job.osError) {
    case platform::kErrorAccessDenied: return address + " (Can't open the drive: administrator rights are needed)  ";
    case platform::kErrorSharingViolation: return address + " (Can't open the drive: another program is using it)  ";
    default: return address + " (Can't open the drive)  ";
  }
}

constexpr int32_t kNotInRun = -1;  // a row that was not ticked when the run started

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
    const int32_t device = runRowDevices_[row];
    if (device != kNotInRun && drives.Wrong(device) == 0) return false;
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

// Refused, not queued, while another drive operation holds the drives: a worker writing beside
// ArgDrv's or Get CS's commands on the same device would corrupt both.
void TForm1::ButtonFlashClick(ui::TObject*) {
  if (runActive_ || argDrvScanning_ || getCsActive_) return;
  bool anyTicked = false;
  for (const ui::TCheckBox* row : rows) anyTicked = anyTicked || row->Checked();
  if (!anyTicked) {
    Notify(kNoDriveSelected);
    if (Unattended()) EndUnattendedRun(*this, RunCounts{});
    return;
  }
  if (!PowerAllowsRun()) return;
  // No sleep or standby from here to the run's end: a drive cut off mid-write is lost.
  MainUnit& unit = MainUnit::Current();
  unit.awake.Hold(unit.machine.desktop, unit.machine.library);
  SetRunControlsEnabled(false);
  runActive_ = true;
  progressCounter_ = 0;
  timerStarted = 0;
  storedChecksum = 0;
  for (ui::TCheckBox* row : rows) row->SetEnabled(false);
  unit.drives.ClearWrongFlags();
  if (driveCount == 0) Notify(kNoCdrom);
  unit.runStart = LogNow();

  startedThisRun_.fill(false);
  for (int row = 0; row < kRows; ++row) runRowDevices_[row] = rows[row]->Checked() ? DriveOrder[row] : kNotInRun;
  SetShutdownBlockReason(kShutdownBlocked);
  LogRunStart();
  for (int row = 0; row < kRows; ++row) {
    const int32_t device = runRowDevices_[row];
    if (!ValidDevice(device)) continue;
    if (timerStarted == 0) {
      TimerPB->SetEnabled(true);
      timerStarted = 1;
    }
    // Two rows may name one device (a stored arrangement does not have to differ): one job, whose
    // outcome both rows show.
    if (startedThisRun_[device]) continue;
    // The worker writes the entries of its own device; the checksum is wanted only to verify, and
    // the worker judges it. A worker that refuses the job has not written this drive: the run's
    // end reports it as failed.
    if (workers[device]->StartJob(device, verifyReference.has_value(), verifyReference)) {
      startedThisRun_[device] = true;
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
  // Every worker is done: the system may sleep again, even while the report waits for a person.
  MainUnit::Current().awake.Release();
  const MainUnit& unit = MainUnit::Current();
  std::string list;
  RunLogBlock log{unit.runStart, LogNow(), Caption(), unit.machine.scsi.GetBackEnd(), {}, {}};
  RunCounts counts;
  for (int row = 0; row < kRows; ++row) {
    const int32_t device = runRowDevices_[row];
    ui::TCheckBox* box = rows[row];
    if (device == kNotInRun) {
      box->Font().SetColor(ui::clBlack);
      continue;
    }
    const bool wrong = unit.drives.Wrong(device) != 0;
    const bool started = ValidDevice(device) && startedThisRun_[device];
    // A row whose drive no job wrote (the hand-off was refused) is failed, never updated.
    const bool workerFailed = !wrong && (!started || workers[device]->Outcome() == update::kFlashFailed);
    // The worker is done with its job here, so its record and its verdict are complete and no
    // longer written.
    const bool verifyFailed =
        !wrong && !workerFailed && started && update::VerificationFailed(workers[device]->LastJob().verification);
    const RowOutcome outcome = wrong          ? RowOutcome::Refused
                               : workerFailed ? RowOutcome::Failed
                               : verifyFailed ? RowOutcome::VerifyFailed
                                              : RowOutcome::Updated;
    if (outcome == RowOutcome::Updated) {
      box->Font().SetColor(ui::clGreen);
      ++counts.updated;
    } else {
      box->Font().SetColor(ui::clRed);
      if (workerFailed && started && Unreached(workers[device]->LastJob())) {
        list += UnreachedEntry(LogAddress(device), workers[device]->LastJob());
      } else {
        const bool locked = workerFailed && started && workers[device]->LastJob().step == update::FailStep::Locked;
        list += unit.drives.Name(device) +
                (wrong          ? std::string(kWrongDriveEntry)
                 : verifyFailed ? std::string(kVerifyFailedEntry)
                 : locked       ? "(In use by " + LockOwnerText(workers[device]->LastJob().lockOwner) + ")  "
                                : std::string(kFailedEntry));
      }
      if (wrong) {
        ++counts.refused;
      } else {
        ++counts.failed;
      }
    }
    log.rows.push_back(RunLogRow{row, ValidDevice(device) ? LogAddress(device) : std::string("?"),
                                 ValidDevice(device) ? unit.drives.Name(device) : std::string(), outcome,
                                 started ? workers[device]->LastJob() : update::JobRecord{}, verifyReference});
  }

  // OK when nothing was refused or failed; the restart is also offered when some drives took the
  // new firmware and others failed, since those need it; a refused drive gets the plain report.
  const bool allUpdated = counts.refused == 0 && counts.failed == 0;
  const bool restartOffered = allUpdated || (counts.refused == 0 && counts.updated > 0);
  if (allUpdated) {
    ShowProgress(kProgressEnd);
    log.report = kUpdateOk;
  } else {
    log.report = "Update " + list + "NG." + (restartOffered ? kRebootTail : "");
  }
  // The log gets the run before its report is shown: a box may wait for a person for long.
  AppendLog(FormatRunBlock(log));
  const bool unattended = Unattended();
  const bool rebootWanted = ShowReport(log.report, Caption(), restartOffered);

  runActive_ = false;
  if (argDrvScanning_) {
    // ArgDrv, started once the run's workers had finished, holds the service controls and the
    // rows it has not placed yet; it gives them back itself.
    ButExit->SetEnabled(true);
  } else {
    SetRunControlsEnabled(true);
    for (ui::TCheckBox* row : rows) row->SetEnabled(true);
  }
  SetShutdownBlockReason("");
  if (rebootWanted) Reboot();
  if (unattended) EndUnattendedRun(*this, counts);
}

// Unattended, the program's exit status is the run's: a close that comes while the run is under
// way (a person, or a bench script's polite stop) is refused and logged, and the run's end then
// ends the program with its status. A close before the automatic press ends it with a status of
// its own (the program entry's), never with 0.
void TForm1::FormCloseQuery(ui::TObject*, bool& canClose) {
  if (Unattended() && runActive_) {
    canClose = false;
    Notify(kCloseWaitsForRun);
    return;
  }
  canClose = !RunBusy();
  if (!canClose) Notify(kStillWriting);
}

// Windows asks before it ends the session: no while a drive is being written or ArgDrv scans (it
// writes FLASH.INI key by key; cut off, the file would keep a new drive total over the old keys),
// and without a box that would hold up the question.
void TForm1::FormQueryEndSession(ui::TObject*, bool& canEnd) { canEnd = !RunBusy() && !argDrvScanning_; }

bool TForm1::RunUnderWay() const { return (runActive_ && TimerPB->Enabled()) || RunBusy(); }

// 95/98/Me have no token privileges (their token calls are stubs that fail with
// ERROR_CALL_NOT_IMPLEMENTED) and restart for any process; the NT family restarts only once the
// shutdown privilege is enabled. The same family test as the back end's choice.
int TForm1::Reboot() {
  Machine& os = MainUnit::Current().machine;
  platform::Shell& shell = os.shell;
  if (os.scsi.ConsumerFamily()) return shell.ExitWindowsEx(platform::kEwxReboot, 0) != 0 ? 1 : 0;
  platform::Handle token = 0;
  if (shell.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery, &token) == 0) return 0;
  platform::Luid luid;
  shell.LookupPrivilegeValueA(platform::kSeShutdownName, &luid);
  shell.AdjustTokenPrivileges(token, luid, platform::kSePrivilegeEnabled);
  const bool granted = os.files.GetLastError() == 0;  // before CloseHandle, which may change it
  shell.CloseToken(token);
  if (!granted) return 0;
  return shell.ExitWindowsEx(platform::kEwxReboot, 0) != 0 ? 1 : 0;
}

void TForm1::Button1Click(ui::TObject*) { Reboot(); }

// The run-time library's exit runs the registered exit routines, unit Main's end among them. While
// ArgDrv scans, the program ends as soon as ArgDrv has stopped and finished its writes, so that
// FLASH.INI never keeps a half-written arrangement under an old drive total.
void TForm1::ButExitClick(ui::TObject*) {
  if (argDrvScanning_) {
    exitAfterArgDrv_ = true;
    return;
  }
  MainUnit::Current().machine.shell.Exit(kExitButton);
}

}  // namespace app
