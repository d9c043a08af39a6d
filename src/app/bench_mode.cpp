// The bench additions' glue between the window, its settings and the run log.
#include "app/bench_mode.h"

#include "app/form1.h"
#include "app/main_unit.h"
#include "settings/startup_settings.h"
#include "settings/verify_checksum.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/message_box_flags.h"

namespace app {
namespace {

// The window comes up before Flash is pressed: the press waits for the message loop's first
// periods, as a person's click would.
constexpr uint32_t kAutoPressDelayMs = 500;
constexpr char kErrorPrefix[] = "Error: ";
constexpr char kClosedBeforeRun[] = "The window was closed before the update run started.";

}  // namespace

void ConfigureBench(MainUnit& unit, const Options& options) {
  unit.options = options;
  unit.logPath = options.logPath.empty() ? DefaultLogPath(settings::ReadStartupDirectory(unit.machine.profile))
                                         : options.logPath;
}

void StartBench(TForm1& form) {
  MainUnit& unit = MainUnit::Current();
  const settings::VerifySetting verify = settings::ReadVerifySetting(unit.machine.profile);
  form.verifyReference = verify.reference;
  if (verify.present && !verify.reference) Notify(settings::InvalidVerifyMessage(verify.text));

  if (!unit.options.autoRun) return;
  auto* press = new ui::TTimer(&form);
  press->SetInterval(kAutoPressDelayMs);
  press->OnTimer = [press, &form](ui::TObject*) {
    press->SetEnabled(false);
    form.ButtonFlashClick(&form);
  };
  press->SetEnabled(true);
  form.autoPress = press;
}

bool Unattended() { return MainUnit::Running() && MainUnit::Current().options.autoRun; }

void Notify(const std::string& text) {
  if (Unattended()) {
    AppendLog(FormatMessageLine(LogNow(), text));
  } else {
    ui::ShowMessage(text);
  }
}

bool ShowReport(const std::string& text, const std::string& caption, bool restartOffered) {
  if (Unattended()) return false;
  if (!restartOffered) {
    ui::ShowMessage(text);
    return false;
  }
  return ui::MessageBoxA(text, caption, ui::kMbOkCancel) == ui::kIdOk;
}

void ReportError(const std::exception& error) {
  if (Unattended()) {
    AppendLog(FormatMessageLine(LogNow(), std::string(kErrorPrefix) + error.what()));
  } else if (ui::Application != nullptr) {
    ui::Application->ShowException(error);
  }
}

void ConnectApplication(ui::TApplication& application) {
  application.OnException = [](ui::TObject*, const std::exception& error) {
    ReportError(error);
    if (!Unattended()) return;  // also false once the unit has ended
    TForm1* form = MainUnit::Current().Form1;
    // A run under way ends by itself (its timer runs until every worker has finished) and then
    // ends the program with its own status; without one nothing ever would.
    if (form != nullptr && form->RunUnderWay()) return;
    LogExitStatus(kExitError);
    MainUnit::Current().machine.shell.Exit(kExitError);
  };
}

int UnattendedStartRefusal() {
  if (!Unattended()) return 0;
  const settings::VerifySetting verify = settings::ReadVerifySetting(MainUnit::Current().machine.profile);
  if (!verify.present || verify.reference) return 0;
  // The bench asked for verification: a run without it could pass a corrupted drive.
  Notify(settings::InvalidVerifyMessage(verify.text));
  LogExitStatus(kExitBadReference);
  return kExitBadReference;
}

int UnattendedEndWithoutRun() {
  AppendLog(FormatMessageLine(LogNow(), kClosedBeforeRun));
  LogExitStatus(kExitNoRun);
  return kExitNoRun;
}

void LogExitStatus(int status) {
  if (Unattended()) AppendLog(FormatMessageLine(LogNow(), "Exit status " + std::to_string(status)));
}

platform::SystemTime LogNow() {
  platform::SystemTime now;
  if (MainUnit::Running()) MainUnit::Current().machine.clock.GetLocalTime(&now);
  return now;
}

void AppendLog(const std::string& text) {
  if (!MainUnit::Running()) return;
  MainUnit& unit = MainUnit::Current();
  AppendToLog(unit.machine.logFiles, unit.logPath, text);
}

std::string LogAddress(int32_t deviceIndex) {
  const scsi::ScsiLayer& layer = MainUnit::Current().machine.scsi;
  return DeviceAddress(layer.GetBackEnd(), layer.DeviceId(deviceIndex));
}

void EndUnattendedRun(TForm1& form, const RunCounts& counts) {
  MainUnit& unit = MainUnit::Current();
  const int status = UnattendedExitStatus(counts);
  if (status == kExitAllUpdated && unit.options.reboot) {
    // The restart is asked for as the OK report's OK would; the program then ends so that it does
    // not hold the session up. A refused restart is noted: the drives are updated all the same.
    if (form.Reboot() == 0) AppendLog(FormatMessageLine(LogNow(), "The restart was refused."));
  }
  ExitUnattended(status);
}

void ExitUnattended(int status) {
  LogExitStatus(status);
  MainUnit::Current().machine.shell.Exit(status);
}

}  // namespace app
