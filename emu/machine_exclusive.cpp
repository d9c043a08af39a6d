// The emulated pass-through port's exclusive lock (IOCTL_CDROM_EXCLUSIVE_ACCESS) as the CD-ROM
// class driver of Vista and later keeps it: the state query from any handle, the lock on one
// handle, other opens and requests refused while it is held, and the lock gone with its handle.
#include <algorithm>
#include <cstring>

#include "emu/machine.h"
#include "platform/cdrom_exclusive.h"

namespace emu {
namespace {

void CopyCaller(const std::string& caller, uint8_t (&field)[platform::kCdromExclusiveCallerLength]) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, caller.data(), std::min(caller.size(), sizeof field - 1));
}

// Letters, digits, blanks and . , : ; - _ up to a NUL inside the field.
bool ValidCaller(const uint8_t (&field)[platform::kCdromExclusiveCallerLength], std::string* caller) {
  for (uint8_t c : field) {
    if (c == 0) return !caller->empty();
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                         std::strchr(" .,:;-_", c) != nullptr;
    if (!allowed) return false;
    *caller += static_cast<char>(c);
  }
  return false;
}

}  // namespace

void Machine::LockByAnotherProgram(char letter, const std::string& caller) {
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(letter);
  if (found == letters_.end() || found->second.drive == nullptr) return;
  exclusiveLocks_[found->second.drive.get()] = ExclusiveOwner{kForeignOwner, caller};
}

void Machine::LockByAnotherProgramAfterCommands(char letter, const std::string& caller, size_t commands) {
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(letter);
  if (found == letters_.end() || found->second.drive == nullptr) return;
  pendingForeignLocks_.push_back(PendingForeignLock{found->second.drive.get(), caller, commands});
}

std::vector<Machine::ExclusiveRecord> Machine::ExclusiveRequests() const {
  std::lock_guard lock(mutex_);
  return exclusiveRequests_;
}

bool Machine::LetterLocked(char letter) const {
  std::lock_guard lock(mutex_);
  const auto found = letters_.find(letter);
  return found != letters_.end() && exclusiveLocks_.count(found->second.drive.get()) != 0;
}

void Machine::ApplyForeignLocksLocked(const Drive* drive) {
  for (auto it = pendingForeignLocks_.begin(); it != pendingForeignLocks_.end(); ++it) {
    if (it->drive == drive && drive->Log().size() >= it->commands && exclusiveLocks_.count(drive) == 0) {
      exclusiveLocks_[drive] = ExclusiveOwner{kForeignOwner, it->caller};
      pendingForeignLocks_.erase(it);
      return;
    }
  }
}

bool Machine::LockedAgainstLocked(const Drive* drive, platform::Handle handle) const {
  const auto found = exclusiveLocks_.find(drive);
  return found != exclusiveLocks_.end() && found->second.handle != handle;
}

int Machine::ExclusiveAccessLocked(const std::shared_ptr<Drive>& drive, platform::Handle handle, const void* inBuffer,
                                   uint32_t inSize, void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) {
  if (!desktop_.exclusiveAccess || inBuffer == nullptr || inSize < sizeof(platform::CdromExclusiveAccess)) return 0;
  platform::CdromExclusiveAccess access;
  std::memcpy(&access, inBuffer, sizeof access);
  ExclusiveRecord record{handle, access.RequestType, access.Flags, "", false, drive->Log().size()};
  const auto owner = exclusiveLocks_.find(drive.get());
  switch (access.RequestType) {
    case platform::kExclusiveAccessQueryState: {
      if (outBuffer == nullptr || outSize < sizeof(platform::CdromExclusiveLockState)) break;
      platform::CdromExclusiveLockState state{};
      if (owner != exclusiveLocks_.end()) {
        state.LockState = 1;
        CopyCaller(owner->second.caller, state.CallerName);
      }
      std::memcpy(outBuffer, &state, sizeof state);
      if (bytesReturned != nullptr) *bytesReturned = sizeof state;
      record.succeeded = true;
      break;
    }
    case platform::kExclusiveAccessLockDevice: {
      if (inSize < sizeof(platform::CdromExclusiveLock)) break;
      platform::CdromExclusiveLock request;
      std::memcpy(&request, inBuffer, sizeof request);
      if (!ValidCaller(request.CallerName, &record.caller) || owner != exclusiveLocks_.end()) break;
      exclusiveLocks_[drive.get()] = ExclusiveOwner{handle, record.caller};
      record.succeeded = true;
      break;
    }
    case platform::kExclusiveAccessUnlockDevice:
      if (owner == exclusiveLocks_.end() || owner->second.handle != handle) break;
      exclusiveLocks_.erase(owner);
      record.succeeded = true;
      break;
    default:
      break;
  }
  exclusiveRequests_.push_back(record);
  return record.succeeded ? 1 : 0;
}

}  // namespace emu
