// The program entry's portable part: application object, main window, message loop.
#include "app/program.h"

#include "app/bench_mode.h"
#include "app/cut_off_run.h"
#include "app/desktop_safety.h"
#include "app/form1.h"
#include "ui/application.h"
#include "ui/exception.h"

namespace app {
namespace {

// Whatever ended the loop, the program does not end while a worker still writes its drive.
void WaitForWorkers(const MainUnit& unit) {
  for (const auto& worker : unit.workers) {
    if (worker) worker->WaitJobEnd();
  }
}

}  // namespace

int RunProgram(ui::Backend& backend, const Machine& machine) { return RunProgram(backend, machine, ""); }

int RunProgram(ui::Backend& backend, const Machine& machine, const std::string& commandLine) {
  MainUnit& unit = MainUnit::Start(machine);
  const Options options = ParseOptions(commandLine);
  ConfigureBench(unit, options);
  int status = kExitAllUpdated;
  {
    ui::TApplication application(backend);
    ConnectApplication(application);
    try {
      application.Initialize();
      if (!options.unknown.empty()) {
        Notify(OptionsUsage(options.unknown));
        status = kExitBadOption;
        LogExitStatus(status);
      } else if (const int refusal = UnattendedStartRefusal(); refusal != 0) {
        status = refusal;
      } else {
        // Held until the program ends: a second copy would write the same drives at once.
        const OneCopy copy(machine.desktop, machine.system, machine.files);
        if (copy.AnotherRunning()) {
          Notify(kAnotherCopyRunning);
          status = kExitAnotherCopy;
          LogExitStatus(status);
        } else {
          NoticeCutOffRun();
          application.CreateForm(unit.Form1);
          application.Run();
          // Unattended, the run's end ends the program with the run's status; a loop that ends
          // without it ended before the run.
          if (options.autoRun) status = UnattendedEndWithoutRun();
        }
      }
    } catch (const std::exception& error) {
      // Before the loop runs (the window's creation failed, say): no run has started.
      ReportError(error);
      status = kExitError;
      LogExitStatus(status);
    } catch (...) {
      ReportError(ui::Exception("Unknown exception"));
      status = kExitError;
      LogExitStatus(status);
    }
    WaitForWorkers(unit);
    unit.Form1 = nullptr;
  }
  MainUnit::Finish();
  return status;
}

int EndWithoutWindow(const Machine& machine, const std::string& commandLine, const std::exception& error) {
  MainUnit& unit = MainUnit::Start(machine);
  ConfigureBench(unit, ParseOptions(commandLine));
  ReportError(error);  // without an application nothing is shown
  LogExitStatus(kExitError);
  MainUnit::Finish();
  return kExitError;
}

}  // namespace app
