// Start-up reads of FLASH.INI (see startup_settings.h).
#include "settings/startup_settings.h"

#include <algorithm>
#include <string_view>

#include "settings/ini_text.h"

namespace settings {
namespace {

constexpr int32_t kNoDrive = -1;
// Room for any decimal number a hand-edited value may hold; longer text cannot be a device index.
constexpr uint32_t kValueTextSize = 32;

// An optional sign and one to ten digits whose value fits 32 bits (the platform has trimmed blanks).
bool IsDecimalText(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return false;
  int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
  }
  return magnitude <= (negative ? int64_t{2147483648} : int64_t{2147483647});
}

struct IntegerSetting {
  uint32_t value;
  std::string text;  // as stored, blanks and quotes removed; empty when the key is missing
};

// Every integer setting is read here, so it reads the same on both families: 95/98/Me's
// GetPrivateProfileIntA makes 0 of a value written with a leading '+', NT's reads the number after
// it (Wine's profile tests record both), and in everything else the two agree. Such a value is
// therefore read from its text as NT reads it.
IntegerSetting ReadIntegerSetting(platform::Profile& profile, const char* section, const char* key,
                                  int32_t defaultValue) {
  IntegerSetting setting{profile.GetPrivateProfileIntA(section, key, defaultValue, kIniFileName), {}};
  char text[kValueTextSize] = {};
  profile.GetPrivateProfileStringA(section, key, "", text, kValueTextSize, kIniFileName);
  text[kValueTextSize - 1] = '\0';
  setting.text = text;
  if (text[0] == '+') setting.value = ParseProfileInteger(setting.text);
  return setting;
}

// The platform's integer read makes 0 of "abc", 1 of "1x" and of "4294967297"; a hand-edited value
// like these would pick a real drive, so its text is looked at too and anything but a 32-bit decimal
// number counts as no drive.
int32_t ReadPriorityValue(platform::Profile& profile, const char* key) {
  const IntegerSetting setting = ReadIntegerSetting(profile, kSectionDrivePriority, key, kNoDrive);
  const auto value = static_cast<int32_t>(setting.value);
  if (setting.text.empty()) return value;  // missing key: the default
  return IsDecimalText(setting.text) ? value : kNoDrive;
}

}  // namespace

DriveOrder IdentityDriveOrder() {
  DriveOrder order{};
  for (int row = 0; row < kDriveRows; ++row) order[row] = row;
  return order;
}

uint16_t ReadStoredChecksum(platform::Profile& profile) {
  return static_cast<uint16_t>(ReadIntegerSetting(profile, kSectionFlashRom, kKeyChecksum, 0).value);
}

DriveOrder ReadDriveOrder(platform::Profile& profile, int driveCount, const RefreshRowCaption& refreshRowCaption) {
  DriveOrder order = IdentityDriveOrder();
  if (ReadPriorityValue(profile, kKeyTotalDrive) != driveCount) return order;
  // Rows, workers and the per-device tables have ten entries, whatever the scan counted.
  const int32_t devices = std::min(driveCount, kDriveRows);
  for (int row = 0; row < kDriveRows; ++row) {
    const int32_t device = ReadPriorityValue(profile, RowKey(row).c_str());
    if (device < 0 || device >= devices) continue;
    order[row] = device;
    if (refreshRowCaption) refreshRowCaption(row, device);
  }
  return order;
}

std::string ReadStartupDirectory(platform::Profile& profile) {
  char buffer[kDirectoryBufferSize] = {};
  const uint32_t length = profile.GetCurrentDirectoryA(kDirectoryBufferSize, buffer);
  if (length == 0 || length >= kDirectoryBufferSize) return std::string();
  return std::string(buffer, std::find(buffer, buffer + length, '\0'));
}

std::string ReadFirmwarePath(platform::Profile& profile) {
  char buffer[kPathBufferSize] = {};
  profile.GetPrivateProfileStringA(kSectionFirmware, kKeyPath, "", buffer, kPathBufferSize, kIniFileName);
  buffer[kPathBufferSize - 1] = '\0';
  return std::string(buffer);
}

StartupSettings ReadStartupSettings(platform::Profile& profile, int driveCount,
                                    const RefreshRowCaption& refreshRowCaption) {
  StartupSettings settings;
  settings.storedChecksum = ReadStoredChecksum(profile);
  settings.driveOrder = ReadDriveOrder(profile, driveCount, refreshRowCaption);
  settings.startupDirectory = ReadStartupDirectory(profile);
  settings.firmwarePath = ReadFirmwarePath(profile);
  return settings;
}

}  // namespace settings
