// The process-wide manager behind the emulated ASPI entry points.
#include "emu/aspi_entry.h"

#include <atomic>

namespace emu {
namespace {

std::atomic<AspiManager*> g_manager{nullptr};

}  // namespace

bool ClaimAspiEntryPoints(AspiManager* manager) {
  AspiManager* expected = nullptr;
  return g_manager.compare_exchange_strong(expected, manager) || expected == manager;
}

void ReleaseAspiEntryPoints(AspiManager* manager) {
  AspiManager* expected = manager;
  g_manager.compare_exchange_strong(expected, nullptr);
}

uint32_t FLASH_CDECL AspiGetSupportInfo() {
  AspiManager* manager = g_manager.load();
  return manager != nullptr ? manager->SupportInfo() : 0;
}

uint32_t FLASH_CDECL AspiSendCommand(void* srb) {
  AspiManager* manager = g_manager.load();
  if (manager == nullptr) return platform::kSsInvalidSrb;
  return manager->SendCommand(srb);
}

}  // namespace emu
