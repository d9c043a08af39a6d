// The program entry's portable part: application object, main window, message loop.
#include "app/program.h"

#include "app/form1.h"
#include "ui/application.h"
#include "ui/exception.h"

namespace app {

int RunProgram(ui::Backend& backend, const Services& services) {
  MainUnit& unit = MainUnit::Start(services);
  {
    ui::TApplication application(backend);
    try {
      application.Initialize();
      application.CreateForm(unit.Form1);
      application.Run();
    } catch (const ui::Exception& error) {
      application.HandleException(error);
    }
    unit.Form1 = nullptr;
  }
  MainUnit::Finish();
  return 0;
}

}  // namespace app
