// The consumer family's thread-start rule in the 32-bit build: none. Threads start through the
// system's own _beginthreadex, and Wine's accepts a null thread-id pointer whatever version it
// claims; only the native suites and the shimmed FLASH.EXE under Wine see 98 SE's refusal.
#include "emu/machine.h"

namespace emu {

void Machine::ApplyThreadRule(Family) {}

}  // namespace emu
