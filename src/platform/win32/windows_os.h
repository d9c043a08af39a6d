// The real operating system behind the platform boundary: every Windows adapter, made once per
// process, handed out as one aggregate.
#pragma once

#include "platform/os.h"

namespace platform::win32 {

// The adapters live until the process ends, so the references stay valid for everyone, the SCSI
// layer that static initialisation builds included.
Os WindowsOs();

}  // namespace platform::win32
