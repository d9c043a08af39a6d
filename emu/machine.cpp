// The emulated machine's set-up, system information and ASPI library loading.
#include "emu/machine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "emu/aspi_entry.h"

namespace emu {
namespace {

char UpperLetter(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (upper < 'A' || upper > 'Z') throw std::invalid_argument("emu::Machine: drive letters are A to Z");
  return upper;
}

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

}  // namespace

Machine::Machine() = default;

Machine::~Machine() {
  if (GetFamily() == Family::Consumer) ApplyThreadRule(Family::Nt);
  aspi_.Stop();
  ReleaseAspiEntryPoints(&aspi_);
}

platform::ScsiPlatform Machine::Platform() { return {*this, *this, *this, *this, *this}; }

platform::Os Machine::Os(platform::Profile& profile) {
  return platform::Os{*this, *this, *this, *this, *this, profile, *this, *this};
}

void Machine::SetPlatformId(uint32_t id) {
  std::lock_guard lock(mutex_);
  platformId_ = id;
}

void Machine::AddLetter(char letter, uint32_t driveType, std::shared_ptr<Drive> drive) {
  const char upper = UpperLetter(letter);
  std::lock_guard lock(mutex_);
  letters_[upper] = Letter{driveType, std::move(drive)};
}

void Machine::FailOpen(char letter, uint32_t error) {
  const char upper = UpperLetter(letter);
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(upper);
  if (found == letters_.end()) throw std::invalid_argument("emu::Machine::FailOpen: letter not added");
  found->second.openError = error != 0 ? error : platform::kErrorAccessDenied;
}

void Machine::SetAlignmentMask(char letter, uint32_t mask) {
  const char upper = UpperLetter(letter);
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(upper);
  if (found == letters_.end()) throw std::invalid_argument("emu::Machine::SetAlignmentMask: letter not added");
  found->second.alignmentMask = mask;
}

void Machine::FailCapabilities(char letter) {
  const char upper = UpperLetter(letter);
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(upper);
  if (found == letters_.end()) throw std::invalid_argument("emu::Machine::FailCapabilities: letter not added");
  found->second.failCapabilities = true;
}

void Machine::SetLastError(uint32_t error) {
  std::lock_guard lock(mutex_);
  SetLastErrorLocked(error);
}

std::vector<Machine::OpenRecord> Machine::Opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

size_t Machine::OpenDeviceHandles() const {
  std::lock_guard lock(mutex_);
  return devices_.size();
}

int Machine::GetVersionExA(platform::OsVersion* version) {
  std::lock_guard lock(mutex_);
  version->majorVersion = desktop_.majorVersion;
  version->minorVersion = desktop_.minorVersion;
  version->platformId = platformId_;
  return 1;
}

uint32_t Machine::GetLogicalDrives() {
  std::lock_guard lock(mutex_);
  uint32_t mask = 0;
  for (const auto& [letter, entry] : letters_) mask |= 1u << (letter - 'A');
  return mask;
}

// Only a root path of exactly three characters, "X:\", names a drive.
uint32_t Machine::GetDriveTypeA(const char* rootPath) {
  if (rootPath == nullptr || std::strlen(rootPath) != 3 || rootPath[1] != ':' || rootPath[2] != '\\') {
    return platform::kDriveNoRootDir;
  }
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(rootPath[0])));
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(upper);
  return found == letters_.end() ? platform::kDriveNoRootDir : found->second.driveType;
}

void Machine::SetAspi(const AspiOptions& options) { aspi_.SetOptions(options); }

int Machine::AddAspiAdapter() { return aspi_.AddAdapter(); }

void Machine::AddAspiTarget(int adapter, int target, uint8_t deviceType, std::shared_ptr<Drive> drive) {
  aspi_.AddTarget(adapter, target, deviceType, std::move(drive));
}

int Machine::FreeLibraryCalls() const {
  std::lock_guard lock(mutex_);
  return freeLibraryCalls_;
}

bool Machine::AspiLoaded() const {
  std::lock_guard lock(mutex_);
  return aspiRefs_ > 0;
}

size_t Machine::HeldAspiRequests() const { return aspi_.HeldRequests(); }

platform::Module Machine::LoadLibraryA(const char* fileName) {
  if (fileName == nullptr || !EqualsNoCase(fileName, "WNASPI32.DLL")) return 0;
  if (!aspi_.Options().libraryPresent) return 0;
  std::lock_guard lock(mutex_);
  if (!ClaimAspiEntryPoints(&aspi_)) return 0;  // another machine has it loaded
  ++aspiRefs_;
  return kAspiModule;
}

void* Machine::GetProcAddress(platform::Module module, const char* procName) {
  if (module == kKernelModule) return KernelProcAddress(procName);
  {
    std::lock_guard lock(mutex_);
    if (module != kAspiModule || aspiRefs_ == 0 || procName == nullptr) return nullptr;
  }
  const AspiOptions options = aspi_.Options();
  if (options.hasSupportInfo && std::strcmp(procName, "GetASPI32SupportInfo") == 0) {
    return reinterpret_cast<void*>(kGetSupportInfoEntry);
  }
  if (options.hasSendCommand && std::strcmp(procName, "SendASPI32Command") == 0) {
    return reinterpret_cast<void*>(kSendCommandEntry);
  }
  return nullptr;
}

int Machine::FreeLibrary(platform::Module module) {
  std::lock_guard lock(mutex_);
  ++freeLibraryCalls_;
  if (module != kAspiModule || aspiRefs_ == 0) return 0;
  if (--aspiRefs_ == 0) ReleaseAspiEntryPoints(&aspi_);
  return 1;
}

}  // namespace emu
