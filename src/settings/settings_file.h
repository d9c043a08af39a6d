// FLASH.INI: its sections, keys and file names, and the writes that the service functions and the
// firmware file loader make. The results of the writes are not examined: a read-only file or
// directory fails silently.
#pragma once

#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace settings {

// Every access but the loader's names the file in the current directory at the time of the access.
inline constexpr char kIniFileName[] = ".\\FLASH.INI";

inline constexpr char kSectionFlashRom[] = "FLASHROM";
inline constexpr char kKeyChecksum[] = "CHECKSUM";
inline constexpr char kSectionDrivePriority[] = "DRIVE_PRIORITY";
inline constexpr char kKeyTotalDrive[] = "TOTAL_DRIVE";
inline constexpr char kSectionFirmware[] = "FIRMWARE";
inline constexpr char kKeyPath[] = "PATH";

// One per row of the window (app::kRows, which static_asserts the two equal).
inline constexpr int kDriveRows = 10;
// A text setting is first read into 128 bytes (127 characters and the terminating zero), the
// firmware path's buffer; a longer value is read again into a larger one.
inline constexpr uint32_t kPathBufferSize = 128;
// Beyond any value a profile file holds (the consumer family's profile files stop at 64 KB).
inline constexpr uint32_t kTextSettingLimit = 65536;
inline constexpr uint32_t kDirectoryBufferSize = 260;

// The loader's file name: the start-up directory followed directly by ".\FLASH.INI". Windows drops
// the period closing "D:\Tools." and settings::IniProfile does the same, so both reach FLASH.INI in
// the start-up directory, also at a drive root ("D:\.\FLASH.INI") and for an empty directory text.
std::string LoaderIniFileName(const std::string& startupDirectory);

// A text value of FLASH.INI, whole (default ""): the platform cuts a value to the buffer it is
// given and then answers its size less one, so the buffer grows until the value fits (up to
// kTextSettingLimit).
std::string ReadTextSetting(platform::Profile& profile, const char* section, const char* key);

// The [DRIVE_PRIORITY] key of a row: the row number in decimal.
std::string RowKey(int row);

// Get CS: [FLASHROM] CHECKSUM.
void WriteStoredChecksum(platform::Profile& profile, uint16_t checksum);
// ArgDrv: [DRIVE_PRIORITY] "row" = device index (or -1 for no drive).
void WriteDrivePriority(platform::Profile& profile, int row, int32_t deviceIndex);
// ArgDrv: [DRIVE_PRIORITY] TOTAL_DRIVE = the number of drives placed.
void WriteTotalDrive(platform::Profile& profile, int32_t placed);
// The loader: [FIRMWARE] PATH, to FLASH.INI in the start-up directory.
void WriteFirmwarePath(platform::Profile& profile, const std::string& startupDirectory, const std::string& path);

}  // namespace settings
