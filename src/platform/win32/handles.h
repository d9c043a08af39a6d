// Conversions between the boundary's integer handles and the Windows handle types, for the adapters.
#pragma once

#include <windows.h>

#include "platform/win_types.h"

namespace platform::win32 {

inline HANDLE ToWin(Handle h) { return reinterpret_cast<HANDLE>(h); }
inline Handle FromWin(HANDLE h) { return reinterpret_cast<Handle>(h); }
inline HMODULE ToWinModule(Module m) { return reinterpret_cast<HMODULE>(m); }
inline Module FromWinModule(HMODULE m) { return reinterpret_cast<Module>(m); }

}  // namespace platform::win32
