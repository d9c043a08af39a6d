// Windows handle types and the constants the system passes across the platform boundary, written
// from the public Windows documentation so that the portable units need no Windows header.
#pragma once

#include <cstdint>

// The ASPI manager's entry points use the C calling convention; only 32-bit Windows has more than one.
#if defined(_WIN32) && !defined(_WIN64)
#define FLASH_CDECL __cdecl
#else
#define FLASH_CDECL
#endif

namespace platform {

using Handle = std::intptr_t;  // a Windows HANDLE
using Module = std::intptr_t;  // an HMODULE

inline constexpr Handle kInvalidHandle = -1;  // INVALID_HANDLE_VALUE

// GetVersionExA platform ids.
inline constexpr uint32_t kPlatformWin32s = 0;
inline constexpr uint32_t kPlatformWin32Windows = 1;
inline constexpr uint32_t kPlatformWin32NT = 2;

// GetDriveTypeA answers.
inline constexpr uint32_t kDriveUnknown = 0;
inline constexpr uint32_t kDriveNoRootDir = 1;
inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;
inline constexpr uint32_t kDriveRemote = 4;
inline constexpr uint32_t kDriveCdrom = 5;
inline constexpr uint32_t kDriveRamDisk = 6;

// CreateFileA arguments.
inline constexpr uint32_t kGenericRead = 0x80000000u;
inline constexpr uint32_t kGenericWrite = 0x40000000u;
inline constexpr uint32_t kFileShareRead = 0x1;
inline constexpr uint32_t kFileShareWrite = 0x2;
inline constexpr uint32_t kOpenExisting = 3;
inline constexpr uint32_t kOpenAlways = 4;
inline constexpr uint32_t kFileAttributeNormal = 0x80;
inline constexpr uint32_t kFileFlagOverlapped = 0x40000000u;
inline constexpr uint32_t kFileFlagSequentialScan = 0x08000000u;

// SetFilePointer: the move method from the end, and the failure answer.
inline constexpr uint32_t kFileEnd = 2;
inline constexpr uint32_t kInvalidSetFilePointer = 0xFFFFFFFFu;

// WaitForSingleObject answers.
inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitTimeout = 0x102;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// DeviceIoControl codes: the SCSI pass-through with a direct data buffer, and the host adapter's
// capabilities (IO_SCSI_CAPABILITIES), whose limits the pass-through's callers must honour.
inline constexpr uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
inline constexpr uint32_t kIoctlScsiGetCapabilities = 0x41010;

// GetLastError codes the system tells apart, and those the emulated machine answers with.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorInvalidParameter = 87;
// After a call that 95/98/Me export only as a stub.
inline constexpr uint32_t kErrorCallNotImplemented = 120;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidName = 123;
// After CreateMutexA: the name was taken already (the handle is still valid). Access denied instead
// means a program of another user holds it, whose mutex this one may not open.
inline constexpr uint32_t kErrorAlreadyExists = 183;
// After AdjustTokenPrivileges that succeeded: the token does not hold the privilege.
inline constexpr uint32_t kErrorNotAllAssigned = 1300;
inline constexpr uint32_t kErrorNoSuchPrivilege = 1313;
inline constexpr uint32_t kErrorPrivilegeNotHeld = 1314;

}  // namespace platform
