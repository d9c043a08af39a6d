// The native thread start's one switch, for the emulated consumer family (emu::Machine): while it
// is on, BeginThreadEx refuses a null thread-id pointer as Windows 95/98/Me's CreateThread does.
// Process-wide, as the rule is the operating system's.
#pragma once

namespace platform::native {

void RefuseNullThreadId(bool refuse);

}  // namespace platform::native
