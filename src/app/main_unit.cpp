// Start and end of unit Main, guarded by a use count.
#include "app/main_unit.h"

#include <cassert>
#include <cstdlib>

namespace app {

MainUnit::MainUnit(const Machine& s) : machine(s) {}

MainUnit::~MainUnit() {
  for (int32_t i = 0; i < update::DriveTable::kEntries; ++i) drives.SetName(i, std::string());
  startupDirectory.clear();
  firmwarePath.clear();
}

MainUnit& MainUnit::Start(const Machine& machine) {
  if (useCount_++ == 0) current_ = new MainUnit(machine);
  if (!endRegistered_) {
    endRegistered_ = true;
    std::atexit(&MainUnit::EndAtExit);
  }
  return *current_;
}

void MainUnit::EndAtExit() {
  if (useCount_ == 0) return;
  useCount_ = 1;
  Finish();
}

void MainUnit::Finish() {
  if (useCount_ == 0) return;
  if (--useCount_ == 0) {
    delete current_;
    current_ = nullptr;
  }
}

MainUnit& MainUnit::Current() {
  assert(current_ != nullptr);
  return *current_;
}

bool MainUnit::Running() { return current_ != nullptr; }

}  // namespace app
