// One flash worker's job against one answering drive, and the checks every job must pass, judged
// by the drive's own record: a drive is called updated (outcome 0) only when it accepted all the
// image's blocks intact and in order, or answered a block write with fresh UNIT ATTENTION 06/29.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "answering_platform.h"
#include "update/aspithread.h"

namespace fuzz {

struct JobRun {
  scsi::BackEnd backEnd = scsi::BackEnd::PassThrough;
  update::FlashResult outcome = update::kFlashNoJobYet;
  std::string name;  // the worker's DriveNames entry
  uint8_t wrong = 0;  // the worker's WrongDriveFlags entry
  std::size_t openHandlesAfter = 0;
  std::vector<Received> record;
};

// A fresh machine with one drive, a fresh layer, table and worker; one job, waited for.
JobRun RunJob(scsi::BackEnd backEnd, AnswerSource answers, bool checksumWanted);

// Stops the run (abort) on any broken rule.
void CheckJob(const JobRun& run);

}  // namespace fuzz
