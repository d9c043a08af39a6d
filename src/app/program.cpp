// The program entry's portable part: application object, main window, message loop.
#include "app/program.h"

#include "app/bench.h"
#include "app/cut_off_run.h"
#include "app/desktop_safety.h"
#include "app/form1.h"
#include "ui/application.h"
#include "ui/exception.h"

namespace app {

int RunProgram(ui::Backend& backend, const Services& services) { return RunProgram(backend, services, ""); }

int RunProgram(ui::Backend& backend, const Services& services, const std::string& commandLine) {
  MainUnit& unit = MainUnit::Start(services);
  const Options options = ParseOptions(commandLine);
  ConfigureBench(unit, options);
  int status = 0;
  {
    ui::TApplication application(backend);
    try {
      application.Initialize();
      if (!options.unknown.empty()) {
        Notify(OptionsUsage(options.unknown));
        status = kExitBadOption;
      } else {
        // Held until the program ends: a second copy would write the same drives at once.
        const OneCopy copy(services.desktop);
        if (copy.AnotherRunning()) {
          Notify(kAnotherCopyRunning);
          status = kExitAnotherCopy;
        } else {
          NoticeCutOffRun();
          application.CreateForm(unit.Form1);
          application.Run();
        }
      }
    } catch (const ui::Exception& error) {
      application.HandleException(error);
    }
    unit.Form1 = nullptr;
  }
  MainUnit::Finish();
  return status;
}

}  // namespace app
