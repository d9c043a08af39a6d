// Query, lock and unlock with IOCTL_CDROM_EXCLUSIVE_ACCESS on the pass-through device's handle.
#include "scsi/exclusive_lock.h"

#include <cstring>

#include "platform/cdrom_exclusive.h"
#include "scsi/scsi_layer.h"

namespace scsi {
namespace {

// The name as the driver gives it: up to its NUL, within the field, printable characters only.
std::string CallerName(const uint8_t (&field)[platform::kCdromExclusiveCallerLength]) {
  std::string name;
  for (uint8_t c : field) {
    if (c == 0) break;
    name += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return name;
}

}  // namespace

LockResult ExclusiveLock::Take(ScsiLayer& layer, DeviceRef ref) {
  Release();
  owner_.clear();
  if (layer.GetBackEnd() != BackEnd::PassThrough) return LockResult::NotSupported;
  const platform::Handle handle = layer.HandleSlot(ref);
  if (handle == platform::kInvalidHandle || handle == 0) return LockResult::NotSupported;
  platform::FileIo& files = layer.Files();

  platform::CdromExclusiveAccess query{platform::kExclusiveAccessQueryState, 0};
  platform::CdromExclusiveLockState state{};
  uint32_t returned = 0;
  // Invalid function or not supported: a system before the request existed.
  if (files.DeviceIoControl(handle, platform::kIoctlCdromExclusiveAccess, &query, sizeof query, &state, sizeof state,
                            &returned) == 0) {
    return LockResult::NotSupported;
  }
  if (state.LockState != 0) {
    owner_ = CallerName(state.CallerName);
    return LockResult::HeldByOther;
  }

  platform::CdromExclusiveLock lock{};
  lock.Access = platform::CdromExclusiveAccess{platform::kExclusiveAccessLockDevice, 0};
  std::memcpy(lock.CallerName, kExclusiveCallerName, sizeof kExclusiveCallerName);
  if (files.DeviceIoControl(handle, platform::kIoctlCdromExclusiveAccess, &lock, sizeof lock, nullptr, 0, &returned) !=
      0) {
    layer_ = &layer;
    handle_ = handle;
    return LockResult::Locked;
  }
  // Refused: another program may have taken it in between, which the state tells.
  state = platform::CdromExclusiveLockState{};
  if (files.DeviceIoControl(handle, platform::kIoctlCdromExclusiveAccess, &query, sizeof query, &state, sizeof state,
                            &returned) != 0 &&
      state.LockState != 0) {
    owner_ = CallerName(state.CallerName);
    return LockResult::HeldByOther;
  }
  // Otherwise (a volume that cannot be locked, say) the job runs as it does where no lock exists.
  return LockResult::NotSupported;
}

void ExclusiveLock::Release() {
  if (layer_ == nullptr) return;
  platform::CdromExclusiveAccess unlock{platform::kExclusiveAccessUnlockDevice, 0};
  uint32_t returned = 0;
  layer_->Files().DeviceIoControl(handle_, platform::kIoctlCdromExclusiveAccess, &unlock, sizeof unlock, nullptr, 0,
                                  &returned);
  layer_ = nullptr;
  handle_ = 0;
}

}  // namespace scsi
