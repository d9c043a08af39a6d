// The consumer family's thread-start rule natively: the native thread primitives refuse a null
// thread-id pointer while it is on.
#include "emu/machine.h"
#include "platform/native/thread_start_rules.h"

namespace emu {

void Machine::ApplyThreadRule(Family family) { platform::native::RefuseNullThreadId(family == Family::Consumer); }

}  // namespace emu
