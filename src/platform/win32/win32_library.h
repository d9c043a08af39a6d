// Library over the real Windows calls: loading the ASPI manager, finding a loaded module, and
// finding entry points.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

class Win32Library final : public Library {
 public:
  Module LoadLibraryA(const char* fileName) override;
  Module GetModuleHandleA(const char* moduleName) override;
  void* GetProcAddress(Module module, const char* procName) override;
  int FreeLibrary(Module module) override;
};

}  // namespace platform::win32
