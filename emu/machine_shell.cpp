// The emulated machine's family, process token and restart: OpenProcessToken,
// LookupPrivilegeValueA, AdjustTokenPrivileges, GetLastError, ExitWindowsEx and the process exit,
// as the Platform SDK documents them for Windows 2000/XP and for Windows 98 SE.
#include <cstring>

#include "emu/machine.h"

namespace emu {
namespace {

// SE_SHUTDOWN_PRIVILEGE, the LUID that LookupPrivilegeValue gives for SeShutdownPrivilege on NT.
constexpr uint32_t kShutdownPrivilegeLuid = 19;

}  // namespace

void Machine::SetFamily(Family family) {
  {
    std::lock_guard lock(mutex_);
    family_ = family;
    platformId_ = family == Family::Consumer ? platform::kPlatformWin32Windows : platform::kPlatformWin32NT;
  }
  ApplyThreadRule(family);
}

Machine::Family Machine::GetFamily() const {
  std::lock_guard lock(mutex_);
  return family_;
}

void Machine::SetShutdownPrivilegeHeld(bool held) {
  std::lock_guard lock(mutex_);
  shutdownPrivilegeHeld_ = held;
}

size_t Machine::OpenTokenHandles() const {
  std::lock_guard lock(mutex_);
  return tokens_.size();
}

std::vector<uint32_t> Machine::AcceptedRestarts() const {
  std::lock_guard lock(mutex_);
  return acceptedRestarts_;
}

std::vector<int> Machine::ExitCodes() const {
  std::lock_guard lock(mutex_);
  return exitCodes_;
}

void Machine::SetLastErrorLocked(uint32_t error) { lastErrors_[platform::CurrentThreadId()] = error; }

// 98 SE's ADVAPI32 exports the three token calls only as stubs: FALSE and
// ERROR_CALL_NOT_IMPLEMENTED, out-parameters untouched.
int Machine::OpenProcessToken(uint32_t desiredAccess, platform::Handle* token) {
  std::lock_guard lock(mutex_);
  if (family_ == Family::Consumer) {
    SetLastErrorLocked(platform::kErrorCallNotImplemented);
    return 0;
  }
  const platform::Handle opened = nextHandle_.fetch_add(1);
  tokens_[opened] = desiredAccess;
  *token = opened;
  return 1;
}

int Machine::LookupPrivilegeValueA(const char* name, platform::Luid* luid) {
  std::lock_guard lock(mutex_);
  if (family_ == Family::Consumer) {
    SetLastErrorLocked(platform::kErrorCallNotImplemented);
    return 0;
  }
  if (std::strcmp(name, platform::kSeShutdownName) != 0) {
    SetLastErrorLocked(platform::kErrorNoSuchPrivilege);
    return 0;
  }
  luid->lowPart = kShutdownPrivilegeLuid;
  luid->highPart = 0;
  return 1;
}

// On success GetLastError tells whether the privilege was held: ERROR_SUCCESS or
// ERROR_NOT_ALL_ASSIGNED (the SDK's AdjustTokenPrivileges return value remarks).
int Machine::AdjustTokenPrivileges(platform::Handle token, const platform::Luid& luid, uint32_t attributes) {
  std::lock_guard lock(mutex_);
  if (family_ == Family::Consumer) {
    SetLastErrorLocked(platform::kErrorCallNotImplemented);
    return 0;
  }
  const auto found = tokens_.find(token);
  if (found == tokens_.end()) {
    SetLastErrorLocked(platform::kErrorInvalidHandle);
    return 0;
  }
  if ((found->second & platform::kTokenAdjustPrivileges) == 0) {
    SetLastErrorLocked(platform::kErrorAccessDenied);
    return 0;
  }
  if (luid.lowPart != kShutdownPrivilegeLuid || luid.highPart != 0 || !shutdownPrivilegeHeld_) {
    SetLastErrorLocked(platform::kErrorNotAllAssigned);
    return 1;
  }
  shutdownPrivilegeEnabled_ = (attributes & platform::kSePrivilegeEnabled) != 0;
  SetLastErrorLocked(platform::kErrorSuccess);
  return 1;
}

int Machine::CloseToken(platform::Handle token) { return CloseHandle(token); }

uint32_t Machine::GetLastError() {
  std::lock_guard lock(mutex_);
  const auto found = lastErrors_.find(platform::CurrentThreadId());
  return found == lastErrors_.end() ? 0 : found->second;
}

// NT restarts only for a process that has enabled the shutdown privilege; 98 SE has no privileges
// and restarts for anyone.
int Machine::ExitWindowsEx(uint32_t flags, uint32_t) {
  std::lock_guard lock(mutex_);
  if (family_ == Family::Nt && !shutdownPrivilegeEnabled_) {
    SetLastErrorLocked(platform::kErrorPrivilegeNotHeld);
    return 0;
  }
  acceptedRestarts_.push_back(flags);
  return 1;
}

void Machine::Exit(int code) {
  std::lock_guard lock(mutex_);
  exitCodes_.push_back(code);
}

}  // namespace emu
