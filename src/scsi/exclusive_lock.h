// The exclusive lock of a pass-through device for the length of a flash job: the state is asked
// for first (another program may hold the lock; its name comes back), then the lock is taken on
// the job's own handle and given back before that handle closes. Systems without the request
// (2000, XP, Wine) and the ASPI back end, which has no device handle, are left exactly as they
// are: no lock, and nothing else changes.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "scsi/types.h"

namespace scsi {

class ScsiLayer;

enum class LockResult {
  Locked,        // this job holds the device
  NotSupported,  // no lock on this system or back end (or none could be taken): run as before
  HeldByOther,   // another program holds it: the job must not touch the drive
};

inline constexpr char kExclusiveCallerName[] = "FLASH.EXE firmware update";

class ExclusiveLock {
 public:
  ExclusiveLock() = default;
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  ~ExclusiveLock() { Release(); }

  // On the device the reference holds open.
  LockResult Take(ScsiLayer& layer, DeviceRef ref);
  // Gives the lock back while the handle is still open; nothing when none is held.
  void Release();
  // The other program's name after HeldByOther (empty when it gave none).
  const std::string& Owner() const { return owner_; }

 private:
  ScsiLayer* layer_ = nullptr;
  platform::Handle handle_ = 0;
  std::string owner_;
};

}  // namespace scsi
