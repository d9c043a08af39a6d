// What a Lock holds in the Windows build: one critical section. Shared by the file with the
// primitives and the file with try_lock, which only the test equipment links.
#pragma once

#include <windows.h>

#include "platform/threads.h"

namespace platform {

struct Lock::State {
  CRITICAL_SECTION section;
};

}  // namespace platform
