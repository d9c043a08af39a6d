// Fuzz target: any FLASH.INI. The start-up reads (checksum, row order, firmware path) through the
// project's profile functions on a real file, and each of the system's writes applied to the same
// text: the written key reads back as written and every other key of the system reads as before.
// Byte 0: the number of drives found (% 28, minus 1); byte 1: the key written; byte 2: the length of
// the written path; then the value (4 bytes for a number, or the path), then the file text.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "answering_platform.h"
#include "settings/ini_profile.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "settings/startup_settings.h"

namespace {

struct Key {
  const char* section;
  std::string key;
};

std::vector<Key> SystemKeys() {
  std::vector<Key> keys = {{settings::kSectionFlashRom, settings::kKeyChecksum},
                           {settings::kSectionDrivePriority, settings::kKeyTotalDrive},
                           {settings::kSectionFirmware, settings::kKeyPath}};
  for (int row = 0; row < settings::kDriveRows; ++row) keys.push_back({settings::kSectionDrivePriority, settings::RowKey(row)});
  return keys;
}

// Text that a profile file gives back as it was written: one line, no blanks or quotes around it.
bool RoundTrips(const std::string& value) {
  if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  if (value.empty()) return true;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  if (blank(value.front()) || blank(value.back())) return false;
  return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front());
}

void WriteFile(const char* name, const uint8_t* data, std::size_t size) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  fuzz::Require(static_cast<bool>(out), "cannot write the fuzz FLASH.INI");
}

}  // namespace

// The profile functions name FLASH.INI in the current directory: a folder of the target's own.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/flash-fuzz-settings-XXXXXX";
  fuzz::Require(mkdtemp(folder) != nullptr && chdir(folder) == 0, "no folder for the fuzz FLASH.INI");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::ByteReader bytes(data, size);
  const int driveCount = bytes.Byte() % 28 - 1;
  const uint8_t written = bytes.Byte();
  const uint8_t pathLength = bytes.Byte();
  const std::vector<Key> keys = SystemKeys();
  const Key& key = keys[written % keys.size()];
  const bool isPath = std::strcmp(key.section, settings::kSectionFirmware) == 0;
  std::string value;
  if (isPath) {
    const std::vector<uint8_t> path = bytes.Bytes(pathLength);
    value.assign(path.begin(), path.end());
  } else {
    const std::vector<uint8_t> number = bytes.Bytes(4);
    int32_t parsed = 0;
    if (!number.empty()) std::memcpy(&parsed, number.data(), number.size());
    value = std::to_string(parsed);
  }
  const std::vector<uint8_t> rest = bytes.Bytes(size);
  const std::string text(rest.begin(), rest.end());
  WriteFile("FLASH.INI", rest.data(), rest.size());

  settings::IniProfile profile;
  std::vector<std::pair<int, int32_t>> refreshed;
  const settings::StartupSettings read = settings::ReadStartupSettings(
      profile, driveCount, [&refreshed](int row, int32_t device) { refreshed.emplace_back(row, device); });

  const int32_t devices = std::min(driveCount, settings::kDriveRows);
  std::size_t next = 0;
  for (int row = 0; row < settings::kDriveRows; ++row) {
    if (next < refreshed.size() && refreshed[next].first == row) {
      fuzz::Require(refreshed[next].second >= 0 && refreshed[next].second < devices,
                    "a row moved to a device that was not found");
      fuzz::Require(read.driveOrder[row] == refreshed[next].second, "a moved row's caption is not its device's");
      ++next;
    } else {
      fuzz::Require(read.driveOrder[row] == row, "a row moved without its caption refreshed");
    }
  }
  fuzz::Require(next == refreshed.size(), "a caption refreshed out of row order or twice");
  std::vector<bool> shown(static_cast<std::size_t>(std::max(devices, 0)), false);
  for (int row = 0; row < devices; ++row) {
    const int32_t device = read.driveOrder[row];
    fuzz::Require(device >= 0 && device < devices && !shown[device], "a drive found in no row, or in two");
    shown[device] = true;
  }
  fuzz::Require(read.firmwarePath.find('\n') == std::string::npos, "the firmware path spans lines");
  const std::optional<std::string> stored = settings::FindProfileValue(text, settings::kSectionFirmware,
                                                                       settings::kKeyPath);
  fuzz::Require(read.firmwarePath == stored.value_or("").c_str(), "the firmware path is not the file's, whole");

  // The write, as the text rules make it and as the loader makes it through the file.
  if (!RoundTrips(value)) return 0;
  const std::string after = settings::SetProfileValue(text, key.section, key.key, value);
  for (const Key& other : keys) {
    const std::optional<std::string> now = settings::FindProfileValue(after, other.section, other.key);
    if (other.section == key.section && other.key == key.key) {
      fuzz::Require(now == value, "the written key does not read back as written");
    } else {
      fuzz::Require(now == settings::FindProfileValue(text, other.section, other.key),
                    "a write changed another key");
    }
  }
  if (isPath && value.find('\0') == std::string::npos) {
    settings::WriteFirmwarePath(profile, read.startupDirectory, value);
    fuzz::Require(settings::ReadFirmwarePath(profile) == value, "the loader's write did not reach FLASH.INI");
  }
  return 0;
}
