// FLASH.INI names and writes (see settings_file.h).
#include "settings/settings_file.h"

#include <vector>

namespace settings {

std::string LoaderIniFileName(const std::string& startupDirectory) { return startupDirectory + kIniFileName; }

std::string ReadTextSetting(platform::Profile& profile, const char* section, const char* key) {
  std::vector<char> buffer;
  for (uint32_t size = kPathBufferSize;; size *= 2) {
    buffer.assign(size, '\0');
    const uint32_t length = profile.GetPrivateProfileStringA(section, key, "", buffer.data(), size, kIniFileName);
    buffer[size - 1] = '\0';
    if (length + 1 < size || size >= kTextSettingLimit) break;
  }
  return std::string(buffer.data());
}

std::string RowKey(int row) { return std::to_string(row); }

void WriteStoredChecksum(platform::Profile& profile, uint16_t checksum) {
  profile.WritePrivateProfileStringA(kSectionFlashRom, kKeyChecksum, std::to_string(checksum).c_str(), kIniFileName);
}

void WriteDrivePriority(platform::Profile& profile, int row, int32_t deviceIndex) {
  profile.WritePrivateProfileStringA(kSectionDrivePriority, RowKey(row).c_str(), std::to_string(deviceIndex).c_str(),
                                     kIniFileName);
}

void WriteTotalDrive(platform::Profile& profile, int32_t placed) {
  profile.WritePrivateProfileStringA(kSectionDrivePriority, kKeyTotalDrive, std::to_string(placed).c_str(),
                                     kIniFileName);
}

void WriteFirmwarePath(platform::Profile& profile, const std::string& startupDirectory, const std::string& path) {
  profile.WritePrivateProfileStringA(kSectionFirmware, kKeyPath, path.c_str(),
                                     LoaderIniFileName(startupDirectory).c_str());
}

}  // namespace settings
