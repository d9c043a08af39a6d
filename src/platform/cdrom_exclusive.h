// IOCTL_CDROM_EXCLUSIVE_ACCESS (Windows Vista and later): the CD-ROM class driver locks a device to
// one handle, so that other programs' opens and requests fail and media-change polling stops while
// its firmware is written. Records and codes as the Windows driver documentation gives them
// (ntddcdrm.h), byte for byte in the 32-bit build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

constexpr uint32_t CtlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}
inline constexpr uint32_t kFileDeviceCdRom = 0x00000002;  // IOCTL_CDROM_BASE
inline constexpr uint32_t kMethodBuffered = 0;
inline constexpr uint32_t kFileReadAccess = 0x0001;
inline constexpr uint32_t kFileWriteAccess = 0x0002;
inline constexpr uint32_t kIoctlCdromExclusiveAccess =
    CtlCode(kFileDeviceCdRom, 0x0017, kMethodBuffered, kFileReadAccess | kFileWriteAccess);
static_assert(kIoctlCdromExclusiveAccess == 0x0002C05C);

// EXCLUSIVE_ACCESS_REQUEST_TYPE.
inline constexpr uint32_t kExclusiveAccessQueryState = 0;
inline constexpr uint32_t kExclusiveAccessLockDevice = 1;
inline constexpr uint32_t kExclusiveAccessUnlockDevice = 2;

// CDROM_EXCLUSIVE_ACCESS Flags.
inline constexpr uint32_t kCdromLockIgnoreVolume = 0x1;
inline constexpr uint32_t kCdromNoMediaNotifications = 0x2;

// The caller name: NUL-terminated within 64 bytes, of letters, digits, blanks and . , : ; - _
inline constexpr std::size_t kCdromExclusiveCallerLength = 64;

struct CdromExclusiveAccess {
  uint32_t RequestType;  // an EXCLUSIVE_ACCESS_REQUEST_TYPE, an enum: 4 bytes
  uint32_t Flags;
};

struct CdromExclusiveLock {
  CdromExclusiveAccess Access;
  uint8_t CallerName[kCdromExclusiveCallerLength];
};

struct CdromExclusiveLockState {
  uint8_t LockState;  // BOOLEAN: nonzero while some handle holds the lock
  uint8_t CallerName[kCdromExclusiveCallerLength];
};

static_assert(sizeof(CdromExclusiveAccess) == 8);
static_assert(offsetof(CdromExclusiveAccess, Flags) == 4);
static_assert(sizeof(CdromExclusiveLock) == 72);
static_assert(offsetof(CdromExclusiveLock, CallerName) == 8);
static_assert(sizeof(CdromExclusiveLockState) == 65);
static_assert(offsetof(CdromExclusiveLockState, CallerName) == 1);

}  // namespace platform
