// WNASPI32.DLL, the emulated ASPI manager for runs of the real program under Wine: the two C entry
// points and the process detach. The manager starts on the first call, not in DllMain, because it
// reads files and starts threads; it is never destroyed, since at the end of the process its
// threads are already gone and joining them would hang.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "emu/dll/manager_library.h"
#include "emu/dll/win32/win32_events.h"

namespace {

std::once_flag g_once;
std::atomic<emu::dll::ManagerLibrary*> g_library{nullptr};

std::string ConfigPath() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetEnvironmentVariableA("FLASH_EMU_CONFIG", path, sizeof path);
  if (n == 0 || n >= sizeof path) return "";
  char full[MAX_PATH + 1] = {};
  const DWORD m = GetFullPathNameA(path, sizeof full, full, nullptr);
  return m == 0 || m >= sizeof full ? std::string(path) : std::string(full);
}

emu::dll::ManagerLibrary& Library() {
  std::call_once(g_once, [] {
    // Pinned: FreeLibrary must not unload code that the manager's threads are running.
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&Library), &self);
    auto* events = new emu::dll::win32::Win32Events();
    g_library = new emu::dll::ManagerLibrary(*events, ConfigPath());
  });
  return *g_library.load();
}

}  // namespace

extern "C" uint32_t __cdecl GetASPI32SupportInfo() { return Library().SupportInfo(); }

extern "C" uint32_t __cdecl SendASPI32Command(void* srb) { return Library().SendCommand(srb); }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // The other threads are gone by now; a lock one of them held is never freed, hence the bound.
  emu::dll::ManagerLibrary* library = g_library.load();
  if (reason == DLL_PROCESS_DETACH && library != nullptr) library->Finish(std::chrono::milliseconds(2000));
  return TRUE;
}
