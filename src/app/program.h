// The program's run: the application object, the main window and its message loop, on whichever
// widget back end and machine the caller provides.
#pragma once

#include <string>

#include "app/main_unit.h"
#include "ui/backend.h"

namespace app {

// Initialises the application, creates Form1 and runs the message loop; an exception of the class
// library's base class is shown by the standard exception display. Returns 0.
int RunProgram(ui::Backend& backend, const Services& services);
// The same with the command line's options. An unknown option ends the program with status 5
// before the window is created (and before any drive is touched), after a box that lists the
// options, or unattended a line of the log. A copy started while another one runs ends the same
// way with status 9, before it scans a drive.
int RunProgram(ui::Backend& backend, const Services& services, const std::string& commandLine);

}  // namespace app
