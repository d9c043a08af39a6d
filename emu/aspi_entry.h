// The C entry points of the emulated ASPI manager, as GetProcAddress hands them out. C function
// pointers carry no object, so they serve one process-wide manager: one machine at a time may
// have the library loaded (test equipment; the product loads one manager for its whole run).
#pragma once

#include <cstdint>

#include "emu/aspi_manager.h"
#include "platform/scsi_records.h"

namespace emu {

// Makes manager the one the entry points serve; false when another manager already holds them.
bool ClaimAspiEntryPoints(AspiManager* manager);
// Gives them up if manager holds them.
void ReleaseAspiEntryPoints(AspiManager* manager);

// GetASPI32SupportInfo and SendASPI32Command. Without a manager they answer as a manager with no
// adapters and an unusable status.
uint32_t FLASH_CDECL AspiGetSupportInfo();
uint32_t FLASH_CDECL AspiSendCommand(void* srb);

inline constexpr platform::GetAspi32SupportInfoFn kGetSupportInfoEntry = &AspiGetSupportInfo;
inline constexpr platform::SendAspi32CommandFn kSendCommandEntry = &AspiSendCommand;

}  // namespace emu
