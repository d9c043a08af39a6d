// The emulated machine's desktop calls as a Windows version answers them: named mutexes shared by
// every program on the machine, the power status, and SetThreadExecutionState where the kernel
// exports it.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "emu/machine.h"

namespace emu {
namespace {

// Only the execution-state entry is ever asked for; its address is a token the machine knows.
char g_executionStateEntry;

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

}  // namespace

void Machine::SetDesktopSystem(const DesktopSystem& system) {
  std::lock_guard lock(mutex_);
  desktop_ = system;
}

void Machine::SetPowerStatus(const platform::SystemPowerStatus& power) {
  std::lock_guard lock(mutex_);
  desktop_.power = power;
}

void Machine::HoldMutexElsewhere(const std::string& name) {
  std::lock_guard lock(mutex_);
  foreignMutexes_.push_back(name);
}

std::vector<std::string> Machine::MutexNames() const {
  std::lock_guard lock(mutex_);
  return mutexNames_;
}

size_t Machine::OpenMutexHandles() const {
  std::lock_guard lock(mutex_);
  return mutexHandles_.size();
}

std::vector<Machine::ExecutionStateCall> Machine::ExecutionStateCalls() const {
  std::lock_guard lock(mutex_);
  return executionStates_;
}

uint32_t Machine::ContinuousExecutionState() const {
  std::lock_guard lock(mutex_);
  return continuousState_;
}

int Machine::PowerStatusCalls() const {
  std::lock_guard lock(mutex_);
  return powerStatusCalls_;
}

// Before Terminal Services (the consumer family, NT 4) a name may not hold a backslash, so the
// session prefixes are refused there.
platform::Handle Machine::CreateMutexA(bool, const char* name) {
  const std::string text = name != nullptr ? name : "";
  std::lock_guard lock(mutex_);
  mutexNames_.push_back(text);
  const bool sessionNames = platformId_ == platform::kPlatformWin32NT && desktop_.majorVersion >= 5;
  if (!sessionNames && text.find('\\') != std::string::npos) {
    SetLastErrorLocked(platform::kErrorInvalidName);
    return 0;
  }
  if (std::find(foreignMutexes_.begin(), foreignMutexes_.end(), text) != foreignMutexes_.end()) {
    SetLastErrorLocked(platform::kErrorAccessDenied);
    return 0;
  }
  const bool exists =
      !text.empty() && std::any_of(mutexHandles_.begin(), mutexHandles_.end(),
                                   [&text](const auto& entry) { return entry.second == text; });
  const platform::Handle handle = nextHandle_.fetch_add(4);
  mutexHandles_[handle] = text;
  SetLastErrorLocked(exists ? platform::kErrorAlreadyExists : platform::kErrorSuccess);
  return handle;
}

int Machine::CloseMutex(platform::Handle mutex) {
  std::lock_guard lock(mutex_);
  return mutexHandles_.erase(mutex) == 1 ? 1 : 0;
}

int Machine::GetSystemPowerStatus(platform::SystemPowerStatus* status) {
  std::lock_guard lock(mutex_);
  ++powerStatusCalls_;
  if (!desktop_.powerStatusAnswers) return 0;
  *status = desktop_.power;
  return 1;
}

platform::Module Machine::GetModuleHandleA(const char* moduleName) {
  if (moduleName == nullptr || !EqualsNoCase(moduleName, "KERNEL32.DLL")) return 0;
  return kKernelModule;
}

void* Machine::KernelProcAddress(const char* procName) {
  std::lock_guard lock(mutex_);
  if (procName == nullptr) return nullptr;
  if (desktop_.executionStateExported && std::strcmp(procName, "SetThreadExecutionState") == 0) {
    return &g_executionStateEntry;
  }
  return nullptr;
}

// The previous flags of the calling program; a call without ES_CONTINUOUS holds nothing after it.
uint32_t Machine::SetThreadExecutionState(void* entry, uint32_t flags) {
  std::lock_guard lock(mutex_);
  if (entry != &g_executionStateEntry || !desktop_.executionStateExported) return 0;
  executionStates_.push_back(ExecutionStateCall{clocks_.ThreadIndex(), flags});
  const uint32_t previous = continuousState_ != 0 ? continuousState_ : platform::kEsContinuous;
  if ((flags & platform::kEsContinuous) != 0) continuousState_ = flags == platform::kEsContinuous ? 0 : flags;
  return previous;
}

}  // namespace emu
