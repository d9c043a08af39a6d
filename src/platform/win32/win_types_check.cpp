// The platform's Windows constants, checked against the Windows headers at compile time: the
// portable units carry these values without a Windows header, so they must be the real ones. This
// file holds no code; it is built only in the 32-bit build, beside the adapters.
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <string_view>

#include "platform/cdrom_exclusive.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "platform/scsi_records.h"
#include "platform/shell.h"
#include "platform/win_types.h"

namespace platform::win32 {
namespace {

// GetVersionExA's platform ids and GetDriveTypeA's answers.
static_assert(kPlatformWin32s == VER_PLATFORM_WIN32s && kPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS);
static_assert(kPlatformWin32NT == VER_PLATFORM_WIN32_NT);
static_assert(kDriveUnknown == DRIVE_UNKNOWN && kDriveNoRootDir == DRIVE_NO_ROOT_DIR);
static_assert(kDriveRemovable == DRIVE_REMOVABLE && kDriveFixed == DRIVE_FIXED && kDriveRemote == DRIVE_REMOTE);
static_assert(kDriveCdrom == DRIVE_CDROM && kDriveRamDisk == DRIVE_RAMDISK);

// CreateFileA's access, sharing, disposition and flags; SetFilePointer's method and failure.
static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ && kFileShareWrite == FILE_SHARE_WRITE);
static_assert(kOpenExisting == OPEN_EXISTING && kOpenAlways == OPEN_ALWAYS);
static_assert(kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL && kFileFlagOverlapped == FILE_FLAG_OVERLAPPED);
static_assert(kFileFlagSequentialScan == FILE_FLAG_SEQUENTIAL_SCAN);
static_assert(kFileEnd == FILE_END && kInvalidSetFilePointer == INVALID_SET_FILE_POINTER);

// WaitForSingleObject's answers and its endless wait.
static_assert(kWaitObject0 == WAIT_OBJECT_0 && kWaitTimeout == WAIT_TIMEOUT && kWaitFailed == WAIT_FAILED);
static_assert(kInfinite == INFINITE);

// DeviceIoControl codes and the pass-through's data directions.
static_assert(kIoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kIoctlScsiGetCapabilities == IOCTL_SCSI_GET_CAPABILITIES);
static_assert(kScsiIoctlDataOut == SCSI_IOCTL_DATA_OUT && kScsiIoctlDataIn == SCSI_IOCTL_DATA_IN);
static_assert(kScsiIoctlDataUnspecified == SCSI_IOCTL_DATA_UNSPECIFIED);
static_assert(kFileDeviceCdRom == FILE_DEVICE_CD_ROM && kMethodBuffered == METHOD_BUFFERED);
static_assert(kFileReadAccess == FILE_READ_ACCESS && kFileWriteAccess == FILE_WRITE_ACCESS);
static_assert(CtlCode(kFileDeviceCdRom, 0x0017, kMethodBuffered, kFileReadAccess | kFileWriteAccess) ==
              CTL_CODE(FILE_DEVICE_CD_ROM, 0x0017, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS));

// GetLastError's codes.
static_assert(kErrorSuccess == ERROR_SUCCESS && kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(kErrorSharingViolation == ERROR_SHARING_VIOLATION && kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorCallNotImplemented == ERROR_CALL_NOT_IMPLEMENTED);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER && kErrorInvalidName == ERROR_INVALID_NAME);
static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS && kErrorNotAllAssigned == ERROR_NOT_ALL_ASSIGNED);
static_assert(kErrorNoSuchPrivilege == ERROR_NO_SUCH_PRIVILEGE && kErrorPrivilegeNotHeld == ERROR_PRIVILEGE_NOT_HELD);

// The token, the privilege and the restart.
static_assert(kTokenAdjustPrivileges == TOKEN_ADJUST_PRIVILEGES && kTokenQuery == TOKEN_QUERY);
static_assert(kSePrivilegeEnabled == SE_PRIVILEGE_ENABLED && kEwxReboot == EWX_REBOOT);
static_assert(std::string_view(kSeShutdownName) == SE_SHUTDOWN_NAME);

// The execution state and the power status.
static_assert(kEsSystemRequired == ES_SYSTEM_REQUIRED && kEsContinuous == ES_CONTINUOUS);
static_assert(kAcLineOffline == AC_LINE_OFFLINE && kAcLineOnline == AC_LINE_ONLINE);
static_assert(kBatteryFlagNoBattery == BATTERY_FLAG_NO_BATTERY && kUnknownByte == BATTERY_PERCENTAGE_UNKNOWN);

}  // namespace
}  // namespace platform::win32
