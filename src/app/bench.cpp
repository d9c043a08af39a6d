// The bench additions' glue between the window, its settings and the run log.
#include "app/bench.h"

#include "app/form1.h"
#include "app/main_unit.h"
#include "settings/startup_settings.h"
#include "settings/verify_checksum.h"
#include "ui/dialogs.h"

namespace app {
namespace {

// The window comes up before Flash is pressed: the press waits for the message loop's first
// periods, as a person's click would.
constexpr uint32_t kAutoPressDelayMs = 500;

}  // namespace

void ConfigureBench(MainUnit& unit, const Options& options) {
  unit.options = options;
  unit.logPath = options.logPath.empty() ? DefaultLogPath(settings::ReadStartupDirectory(unit.services.profile))
                                         : options.logPath;
}

void StartBench(TForm1& form) {
  MainUnit& unit = MainUnit::Current();
  const settings::VerifySetting verify = settings::ReadVerifySetting(unit.services.profile);
  unit.verifyReference = verify.reference;
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

bool VerifyOn() { return MainUnit::Running() && MainUnit::Current().verifyReference.has_value(); }

bool VerifyFailed(const update::JobRecord& job) {
  if (!VerifyOn()) return false;
  return !job.checksumRead || !job.checksumComplete || job.checksum != *MainUnit::Current().verifyReference;
}

void Notify(const std::string& text) {
  if (Unattended()) {
    AppendLog(FormatMessageLine(LogNow(), text));
  } else {
    ui::ShowMessage(text);
  }
}

platform::SystemTime LogNow() {
  platform::SystemTime now;
  if (MainUnit::Running() && MainUnit::Current().services.localTime != nullptr) {
    MainUnit::Current().services.localTime->GetLocalTime(&now);
  }
  return now;
}

void AppendLog(const std::string& text) {
  if (!MainUnit::Running()) return;
  MainUnit& unit = MainUnit::Current();
  if (unit.services.logFiles == nullptr) return;
  AppendToLog(*unit.services.logFiles, unit.logPath, text);
}

std::string LogAddress(int32_t deviceIndex) {
  const scsi::ScsiLayer& layer = MainUnit::Current().services.scsi;
  return DeviceAddress(layer.UsesPassThrough(), layer.DeviceId(deviceIndex));
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
  AppendLog(FormatMessageLine(LogNow(), "Exit status " + std::to_string(status)));
  MainUnit::Current().services.shell.Exit(status);
}

}  // namespace app
