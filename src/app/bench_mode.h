// The bench mode: what a service bench adds to the window, the reference checksum that updated
// drives are verified against, the run log, and the unattended mode (/AUTO). Without the [VERIFY]
// key and without options none of it changes what the window shows or does; the log is still
// appended to.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run_log.h"

namespace ui {
class TApplication;
}

namespace app {

class MainUnit;
class TForm1;

// Takes the command line's options and settles the log's file: /LOG=path, else FLASH.LOG in the
// current (start-up) directory. Before the window is created.
void ConfigureBench(MainUnit& unit, const Options& options);

// At the end of FormCreate: reads [VERIFY] CHECKSUM into the window's reference (an invalid value
// is reported once and leaves verification off) and, unattended, arms the press of Flash for when the message loop runs.
void StartBench(TForm1& form);

bool Unattended();

// Every message of the program goes through these, the one place that knows the mode: a box as
// always, or unattended a line of the log and never a box.
void Notify(const std::string& text);
// The report at a run's end: OK and Cancel when the restart is offered (true for OK), else the
// plain box. Unattended nothing is shown (the run's block of the log holds the report): false.
bool ShowReport(const std::string& text, const std::string& caption, bool restartOffered);
// An exception that reached the message loop or the program entry: the application's standard
// display, or unattended a line of the log.
void ReportError(const std::exception& error);

// Connects the application to the above, before any form is created: every exception a handler
// lets escape is reported and the loop goes on; unattended, one that leaves no run under way (so
// nothing would ever end the program) ends it with kExitError once no worker writes.
void ConnectApplication(ui::TApplication& application);

// Unattended, before the window is created: the status that ends the program before any drive
// is touched (an invalid [VERIFY] CHECKSUM, logged), or 0 to go on.
int UnattendedStartRefusal();
// Unattended: the message loop ended without the run's end having ended the program (the window
// was closed before the automatic press). Logged; the status to end with.
int UnattendedEndWithoutRun();
// Unattended: the log's last line, the status the program ends with.
void LogExitStatus(int status);

platform::SystemTime LogNow();
// Appends to the log; whatever goes wrong is ignored.
void AppendLog(const std::string& text);

// The address of a device of the SCSI layer's list, as the log writes it.
std::string LogAddress(int32_t deviceIndex);

// The end of an unattended run (or of its Flash press that found no ticked row): reboots when
// asked for and all were updated, and ends the program with the run's exit status.
void EndUnattendedRun(TForm1& form, const RunCounts& counts);
// Ends an unattended program with this status, logged as every unattended end is.
void ExitUnattended(int status);

}  // namespace app
