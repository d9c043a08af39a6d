// The window's guards of a run against the desktop around it: a low battery asks first, the
// suspend query is refused while a worker writes, a suspend or resume that comes anyway is
// logged, and AutoPlay is kept off the drives while a run is active.
#include "app/bench_mode.h"
#include "app/desktop_safety.h"
#include "app/form1.h"
#include "app/main_unit.h"
#include "app/run_log.h"
#include "ui/dialogs.h"
#include "ui/message_box_flags.h"

namespace app {

bool TForm1::PowerAllowsRun() {
  const std::string state = LowBatteryState(MainUnit::Current().machine.desktop);
  if (state.empty()) return true;
  if (Unattended()) {
    Notify(LowBatteryRefusal(state));
    ExitUnattended(kExitLowBattery);
    return false;
  }
  return ui::MessageBoxA(LowBatteryQuestion(state), Caption(), ui::kMbOkCancel) == ui::kIdOk;
}

// 98, ME, 2000 and XP ask before they suspend; later systems only tell, and rely on the
// execution state the run holds.
void TForm1::FormPowerBroadcast(ui::TObject*, uint32_t event, bool& deny) {
  if (event == kPbtApmQuerySuspend) {
    deny = RunBusy();
    return;
  }
  const std::string text = PowerEventText(event);
  if (!text.empty() && (runActive_ || RunBusy())) AppendLog(FormatMessageLine(LogNow(), text));
}

void TForm1::LogRunStart() {
  std::vector<RunStartRow> started;
  for (int row = 0; row < kRows; ++row) {
    const int32_t device = runRowDevices_[row];
    if (device < 0) continue;
    const bool valid = device < kRows;
    started.push_back(RunStartRow{row, valid ? LogAddress(device) : std::string("?"), rows[row]->Caption()});
  }
  AppendLog(FormatRunStart(MainUnit::Current().runStart, started));
}

void TForm1::FormQueryCancelAutoPlay(ui::TObject*, bool& cancel) { cancel = runActive_ || RunBusy(); }

}  // namespace app
