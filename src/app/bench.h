// What a service bench adds to the window: the reference checksum that updated drives are
// verified against, the run log, and the unattended mode (/AUTO). Without the [VERIFY] key and
// without options none of it changes what the window shows or does; the log is still appended to.
#pragma once

#include <string>
#include <vector>

#include "app/options.h"
#include "app/run_log.h"
#include "update/job_record.h"

namespace app {

class MainUnit;
class TForm1;

// Takes the command line's options and settles the log's file: /LOG=path, else FLASH.LOG in the
// current (start-up) directory. Before the window is created.
void ConfigureBench(MainUnit& unit, const Options& options);

// At the end of FormCreate: reads [VERIFY] CHECKSUM (an invalid value is reported once and leaves
// verification off) and, unattended, arms the press of Flash for when the message loop runs.
void StartBench(TForm1& form);

bool Unattended();
bool VerifyOn();
// A job that ended done failed its verification: its checksum read did not complete or differs.
bool VerifyFailed(const update::JobRecord& job);

// A message of the window: a box as always, or unattended a line of the log.
void Notify(const std::string& text);

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
