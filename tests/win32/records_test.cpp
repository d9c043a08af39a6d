// The request records as the 32-bit build lays them out, shown in the test report; the headers
// also check them at compile time.
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/cdrom_exclusive.h"
#include "platform/desktop.h"
#include "platform/scsi_records.h"

namespace platform {
namespace {

struct Layout {
  const char* field;
  std::size_t actual;
  std::size_t expected;
};

#define FLASH_OFFSET(record, field, expected) \
  Layout { #record "." #field, offsetof(record, field), expected }
#define FLASH_SIZE(record, expected) \
  Layout { "sizeof " #record, sizeof(record), expected }

const Layout kLayouts[] = {
    FLASH_SIZE(ScsiPassThroughDirect, 44),
    FLASH_OFFSET(ScsiPassThroughDirect, Length, 0),
    FLASH_OFFSET(ScsiPassThroughDirect, ScsiStatus, 2),
    FLASH_OFFSET(ScsiPassThroughDirect, PathId, 3),
    FLASH_OFFSET(ScsiPassThroughDirect, TargetId, 4),
    FLASH_OFFSET(ScsiPassThroughDirect, Lun, 5),
    FLASH_OFFSET(ScsiPassThroughDirect, CdbLength, 6),
    FLASH_OFFSET(ScsiPassThroughDirect, SenseInfoLength, 7),
    FLASH_OFFSET(ScsiPassThroughDirect, DataIn, 8),
    FLASH_OFFSET(ScsiPassThroughDirect, DataTransferLength, 12),
    FLASH_OFFSET(ScsiPassThroughDirect, TimeOutValue, 16),
    FLASH_OFFSET(ScsiPassThroughDirect, DataBuffer, 20),
    FLASH_OFFSET(ScsiPassThroughDirect, SenseInfoOffset, 24),
    FLASH_OFFSET(ScsiPassThroughDirect, Cdb, 28),
    FLASH_SIZE(PassThroughRequest, 80),
    FLASH_OFFSET(PassThroughRequest, filler, 44),
    FLASH_OFFSET(PassThroughRequest, sense, 48),
    FLASH_SIZE(IoScsiCapabilities, 24),
    FLASH_OFFSET(IoScsiCapabilities, Length, 0),
    FLASH_OFFSET(IoScsiCapabilities, MaximumTransferLength, 4),
    FLASH_OFFSET(IoScsiCapabilities, MaximumPhysicalPages, 8),
    FLASH_OFFSET(IoScsiCapabilities, SupportedAsynchronousEvents, 12),
    FLASH_OFFSET(IoScsiCapabilities, AlignmentMask, 16),
    FLASH_OFFSET(IoScsiCapabilities, TaggedQueuing, 20),
    FLASH_OFFSET(IoScsiCapabilities, AdapterScansDown, 21),
    FLASH_OFFSET(IoScsiCapabilities, AdapterUsesPio, 22),
    FLASH_SIZE(SrbExecScsiCmd, 64 + 130),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Cmd, 0),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Status, 1),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_HaId, 2),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Flags, 3),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Hdr_Rsvd, 4),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Target, 8),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Lun, 9),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Rsvd1, 10),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_BufLen, 12),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_BufPointer, 16),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_SenseLen, 20),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_CDBLen, 21),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_HaStat, 22),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_TargStat, 23),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_PostProc, 24),
    FLASH_OFFSET(SrbExecScsiCmd, SRB_Rsvd2, 28),
    FLASH_OFFSET(SrbExecScsiCmd, CDBByte, 48),
    FLASH_OFFSET(SrbExecScsiCmd, SenseArea, 64),
    FLASH_SIZE(SrbGetDevType, 12),
    FLASH_OFFSET(SrbGetDevType, SRB_Cmd, 0),
    FLASH_OFFSET(SrbGetDevType, SRB_Status, 1),
    FLASH_OFFSET(SrbGetDevType, SRB_HaId, 2),
    FLASH_OFFSET(SrbGetDevType, SRB_Flags, 3),
    FLASH_OFFSET(SrbGetDevType, SRB_Hdr_Rsvd, 4),
    FLASH_OFFSET(SrbGetDevType, SRB_Target, 8),
    FLASH_OFFSET(SrbGetDevType, SRB_Lun, 9),
    FLASH_OFFSET(SrbGetDevType, SRB_DeviceType, 10),
    FLASH_SIZE(SrbAbort, 12),
    FLASH_OFFSET(SrbAbort, SRB_Cmd, 0),
    FLASH_OFFSET(SrbAbort, SRB_Status, 1),
    FLASH_OFFSET(SrbAbort, SRB_HaId, 2),
    FLASH_OFFSET(SrbAbort, SRB_Flags, 3),
    FLASH_OFFSET(SrbAbort, SRB_Hdr_Rsvd, 4),
    FLASH_OFFSET(SrbAbort, SRB_ToAbort, 8),
    FLASH_SIZE(CdromExclusiveAccess, 8),
    FLASH_OFFSET(CdromExclusiveAccess, RequestType, 0),
    FLASH_OFFSET(CdromExclusiveAccess, Flags, 4),
    FLASH_SIZE(CdromExclusiveLock, 72),
    FLASH_OFFSET(CdromExclusiveLock, CallerName, 8),
    FLASH_SIZE(CdromExclusiveLockState, 65),
    FLASH_OFFSET(CdromExclusiveLockState, CallerName, 1),
    FLASH_SIZE(SystemPowerStatus, 12),
    FLASH_OFFSET(SystemPowerStatus, batteryLifePercent, 2),
    FLASH_OFFSET(SystemPowerStatus, batteryLifeTime, 4),
    FLASH_OFFSET(SystemPowerStatus, batteryFullLifeTime, 8),
};

#undef FLASH_OFFSET
#undef FLASH_SIZE

TEST(RecordLayout, MatchesThePlatformByteForByte) {
  EXPECT_TRUE(kRecordsAre32Bit);
  for (const Layout& l : kLayouts) {
    EXPECT_EQ(l.actual, l.expected) << l.field;
  }
}

}  // namespace
}  // namespace platform
