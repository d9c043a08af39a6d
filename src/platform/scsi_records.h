// The SCSI request records that cross the platform boundary: the pass-through request block and the
// ASPI manager's request blocks, byte for byte as the 32-bit platform defines them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

namespace platform {

// SCSI_PASS_THROUGH_DIRECT data directions.
inline constexpr uint8_t kScsiIoctlDataOut = 0;
inline constexpr uint8_t kScsiIoctlDataIn = 1;
inline constexpr uint8_t kScsiIoctlDataUnspecified = 2;

struct ScsiPassThroughDirect {
  uint16_t Length;
  uint8_t ScsiStatus;
  uint8_t PathId;
  uint8_t TargetId;
  uint8_t Lun;
  uint8_t CdbLength;
  uint8_t SenseInfoLength;
  uint8_t DataIn;
  uint32_t DataTransferLength;
  uint32_t TimeOutValue;
  void* DataBuffer;
  uint32_t SenseInfoOffset;
  uint8_t Cdb[16];
};

inline constexpr std::size_t kPassThroughSenseSize = 32;

// One request block per device: the pass-through record, a filler and the sense buffer that
// SenseInfoOffset points at. It is both the input and the output buffer of the request.
struct PassThroughRequest {
  ScsiPassThroughDirect sptd;
  uint32_t filler;
  uint8_t sense[kPassThroughSenseSize];
};

// What IOCTL_SCSI_GET_CAPABILITIES tells of the host adapter. A pass-through data buffer must
// start at an address whose bits in AlignmentMask are clear.
struct IoScsiCapabilities {
  uint32_t Length;
  uint32_t MaximumTransferLength;
  uint32_t MaximumPhysicalPages;
  uint32_t SupportedAsynchronousEvents;
  uint32_t AlignmentMask;
  uint8_t TaggedQueuing;
  uint8_t AdapterScansDown;
  uint8_t AdapterUsesPio;
};

// ASPI command codes, request status values and flags.
inline constexpr uint8_t kScHaInquiry = 0;
inline constexpr uint8_t kScGetDevType = 1;
inline constexpr uint8_t kScExecScsiCmd = 2;
inline constexpr uint8_t kScAbortSrb = 3;

inline constexpr uint8_t kSsPending = 0x00;
inline constexpr uint8_t kSsComp = 0x01;
inline constexpr uint8_t kSsAborted = 0x02;
inline constexpr uint8_t kSsAbortFail = 0x03;
inline constexpr uint8_t kSsErr = 0x04;
inline constexpr uint8_t kSsInvalidHa = 0x81;
inline constexpr uint8_t kSsNoDevice = 0x82;
inline constexpr uint8_t kSsInvalidSrb = 0xE0;

inline constexpr uint8_t kSrbDirIn = 0x08;
inline constexpr uint8_t kSrbDirOut = 0x10;
inline constexpr uint8_t kSrbEventNotify = 0x40;

inline constexpr uint8_t kDeviceTypeCdrom = 5;  // CD-ROM class device in INQUIRY and SRB_DeviceType

// The system asks for 32 bytes of sense and gives the manager room for more than the published
// 16-byte area.
inline constexpr std::size_t kAspiSenseAreaSize = 130;

#pragma pack(push, 1)
struct SrbExecScsiCmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;  // written by the manager, possibly from another thread
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint8_t* SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  void* SRB_PostProc;  // the completion event's handle
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[16];
  uint8_t SenseArea[kAspiSenseAreaSize];
};

struct SrbGetDevType {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DeviceType;
  uint8_t SRB_Rsvd1;
};

struct SrbAbort {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};
#pragma pack(pop)

// The two entry points of the ASPI manager library.
using GetAspi32SupportInfoFn = uint32_t(FLASH_CDECL*)();
using SendAspi32CommandFn = uint32_t(FLASH_CDECL*)(void* srb);

// The event handle that SRB_PostProc carries.
inline Handle PostProcEvent(const SrbExecScsiCmd& srb) { return reinterpret_cast<Handle>(srb.SRB_PostProc); }

// The layouts above are the platform's own only where pointers are 32 bits wide, which is the
// product build; elsewhere (native tests) the field order holds and the offsets may grow.
inline constexpr bool kRecordsAre32Bit = sizeof(void*) == 4;
static_assert(!kRecordsAre32Bit || sizeof(ScsiPassThroughDirect) == 44);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, ScsiStatus) == 2);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, CdbLength) == 6);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, DataIn) == 8);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, DataTransferLength) == 12);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, TimeOutValue) == 16);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, DataBuffer) == 20);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 24);
static_assert(!kRecordsAre32Bit || offsetof(ScsiPassThroughDirect, Cdb) == 28);
static_assert(!kRecordsAre32Bit || sizeof(PassThroughRequest) == 80);
static_assert(!kRecordsAre32Bit || offsetof(PassThroughRequest, sense) == 48);
static_assert(sizeof(IoScsiCapabilities) == 24);
static_assert(offsetof(IoScsiCapabilities, MaximumTransferLength) == 4);
static_assert(offsetof(IoScsiCapabilities, AlignmentMask) == 16);
static_assert(offsetof(IoScsiCapabilities, TaggedQueuing) == 20);
static_assert(offsetof(IoScsiCapabilities, AdapterUsesPio) == 22);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_Target) == 8);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_BufLen) == 12);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_BufPointer) == 16);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_SenseLen) == 20);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_CDBLen) == 21);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_HaStat) == 22);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_TargStat) == 23);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_PostProc) == 24);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SRB_Rsvd2) == 28);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, CDBByte) == 48);
static_assert(!kRecordsAre32Bit || offsetof(SrbExecScsiCmd, SenseArea) == 64);
static_assert(!kRecordsAre32Bit || sizeof(SrbExecScsiCmd) == 64 + kAspiSenseAreaSize);
static_assert(sizeof(SrbGetDevType) == 12);
static_assert(offsetof(SrbGetDevType, SRB_DeviceType) == 10);
static_assert(!kRecordsAre32Bit || sizeof(SrbAbort) == 12);
static_assert(offsetof(SrbAbort, SRB_ToAbort) == 8);

}  // namespace platform
