// The program's run: the application object, the main window and its message loop, on whichever
// widget back end and machine the caller provides.
#pragma once

#include <exception>
#include <string>

#include "app/main_unit.h"
#include "ui/backend.h"

namespace app {

// Initialises the application, creates Form1 and runs the message loop. Returns 0 when the window
// closed; kExitError (after the standard exception display, or unattended a line of the log) when
// an exception ended the program before the loop ran. Exceptions in the loop are reported and the
// loop goes on. Never returns while a worker still writes.
int RunProgram(ui::Backend& backend, const Machine& machine);
// The same with the command line's options. An unknown option ends the program with status 5
// before the window is created (and before any drive is touched), after a box that lists the
// options, or unattended a line of the log. Unattended, the program ends with the run's status
// when the run ends, before the window with kExitBadReference for an invalid reference checksum,
// and with kExitNoRun when the loop ends without a run (the window closed before the press). A
// copy started while another one runs ends with status 9, before it scans a drive.
int RunProgram(ui::Backend& backend, const Machine& machine, const std::string& commandLine);

// When the widget back end itself could not be made (the system refused even the timer window):
// no window and no box can be shown; unattended the error goes to the log. Returns kExitError.
int EndWithoutWindow(const Machine& machine, const std::string& commandLine, const std::exception& error);

}  // namespace app
