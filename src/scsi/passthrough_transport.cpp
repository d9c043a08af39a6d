// The pass-through back end: drive letters, device handles with their adapter's alignment, and
// one direct pass-through request per command.
#include "scsi/passthrough_transport.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace scsi {
namespace {

constexpr int kLetters = 26;
// The largest alignment the layer believes an adapter asks for; a mask must also be of the
// form 2^n - 1 to mean anything.
constexpr uint32_t kLargestAlignmentMask = 0xFFFF;

bool PlausibleMask(uint32_t mask) { return mask <= kLargestAlignmentMask && (mask & (mask + 1)) == 0; }

uint8_t PassThroughDataIn(uint8_t direction) {
  if (direction == kDirIn) return platform::kScsiIoctlDataIn;
  if (direction == kDirOut) return platform::kScsiIoctlDataOut;
  return platform::kScsiIoctlDataUnspecified;
}

}  // namespace

PassThroughTransport::PassThroughTransport(const platform::ScsiPlatform& os) : os_(os) {
  handles_.fill(platform::kInvalidHandle);
  alignmentMasks_.fill(ScsiLayer::kUnknownAlignmentMask);
  const uint32_t mask = os_.system.GetLogicalDrives();
  for (int bit = 0; bit < kLetters; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    const char letter = static_cast<char>('A' + bit);
    const char root[] = {letter, ':', '\\', '\0'};
    if (os_.system.GetDriveTypeA(root) == platform::kDriveCdrom) devices_.Add(letter);
  }
}

void PassThroughTransport::Open(int32_t index) {
  platform::Handle& slot = handles_[index];
  if (slot != platform::kInvalidHandle && slot != 0) return;
  const std::string path = std::string("\\\\.\\") + static_cast<char>(devices_.ids[index]) + ":";
  // A synchronous handle: DeviceIoControl is called without an overlapped record, which a handle
  // opened for overlapped I/O does not allow. A failed open is kept as it is, with its error:
  // commands on it fail, and the caller can tell why.
  slot = os_.files.CreateFileA(path.c_str(), platform::kGenericRead | platform::kGenericWrite,
                               platform::kFileShareRead | platform::kFileShareWrite, platform::kOpenExisting, 0);
  openFailed_[index] = slot == platform::kInvalidHandle;
  openErrors_[index] = openFailed_[index] ? os_.files.GetLastError() : 0;
  if (!openFailed_[index]) alignmentMasks_[index] = AskAlignmentMask(slot);
}

void PassThroughTransport::Close(int32_t index) {
  platform::Handle& slot = handles_[index];
  if (slot != platform::kInvalidHandle && slot != 0) {
    os_.files.CloseHandle(slot);
    slot = 0;
  }
}

// Asked with every new handle: a drive letter may stand for another adapter after a re-open.
uint32_t PassThroughTransport::AskAlignmentMask(platform::Handle handle) {
  platform::IoScsiCapabilities capabilities{};
  uint32_t returned = 0;
  const int ok = os_.files.DeviceIoControl(handle, platform::kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                                           sizeof capabilities, &returned);
  const bool told = ok != 0 && returned >= offsetof(platform::IoScsiCapabilities, AlignmentMask) + sizeof(uint32_t);
  return told && PlausibleMask(capabilities.AlignmentMask) ? capabilities.AlignmentMask
                                                           : ScsiLayer::kUnknownAlignmentMask;
}

bool PassThroughTransport::OpenFailed(int32_t index) const { return devices_.Has(index) && openFailed_[index]; }

uint32_t PassThroughTransport::OpenError(int32_t index) const { return OpenFailed(index) ? openErrors_[index] : 0; }

platform::Handle PassThroughTransport::HandleSlot(int32_t index) const {
  return InRange(index) ? handles_[index] : platform::kInvalidHandle;
}

uint32_t PassThroughTransport::AlignmentMask(int32_t index) const {
  return InRange(index) ? alignmentMasks_[index] : ScsiLayer::kUnknownAlignmentMask;
}

uint8_t* PassThroughTransport::AlignedStaging(int32_t index, uint32_t length) {
  const uint32_t mask = alignmentMasks_[index];
  std::vector<uint8_t>& store = staging_[index];
  if (store.size() < std::size_t{length} + mask) store.resize(std::size_t{length} + mask);
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(store.data());
  return store.data() + (((start + mask) & ~std::uintptr_t{mask}) - start);
}

int PassThroughTransport::Execute(int32_t index, const Cdb& cdb, void* buffer, uint32_t length, uint8_t direction,
                                  uint32_t timeoutMs, uint8_t cdbLength, Transfer& transfer) {
  // The adapter refuses a data buffer that does not meet its alignment; such a caller's data goes
  // through the transport's own buffer instead.
  const bool dataPhase = buffer != nullptr && length > 0 && (direction == kDirIn || direction == kDirOut);
  uint8_t* data = static_cast<uint8_t*>(buffer);
  if (dataPhase && (reinterpret_cast<std::uintptr_t>(buffer) & alignmentMasks_[index]) != 0) {
    data = AlignedStaging(index, length);
    if (direction == kDirOut) {
      std::memcpy(data, buffer, length);
    } else {
      std::memset(data, 0, length);
    }
  }
  platform::PassThroughRequest& request = requests_[index];
  std::memset(&request, 0, sizeof request);  // the sense buffer starts empty for every command
  platform::ScsiPassThroughDirect& sptd = request.sptd;
  sptd.Length = sizeof(platform::ScsiPassThroughDirect);
  sptd.CdbLength = cdbLength;
  sptd.SenseInfoLength = platform::kPassThroughSenseSize;
  sptd.DataIn = PassThroughDataIn(direction);
  sptd.DataTransferLength = length;
  sptd.TimeOutValue = timeoutMs / 1000;
  sptd.DataBuffer = data;
  sptd.SenseInfoOffset = offsetof(platform::PassThroughRequest, sense);
  std::memcpy(sptd.Cdb, cdb.data(), cdb.size());

  uint32_t returned = 0;
  const int ok = os_.files.DeviceIoControl(handles_[index], platform::kIoctlScsiPassThroughDirect, &request,
                                           sizeof request, &request, sizeof request, &returned);
  if (ok == 0 || sptd.ScsiStatus != kStatusGood) return 0;
  // The port driver leaves in DataTransferLength the bytes that went across; more than was asked
  // is never believed.
  const uint32_t moved = dataPhase ? std::min(sptd.DataTransferLength, length) : 0;
  transfer.moved = moved;
  if (dataPhase && direction == kDirIn && data != buffer) std::memcpy(buffer, data, moved);
  if (dataPhase && moved < length) {
    transfer.cutShort = true;
    if (direction == kDirOut) return 0;
  }
  return 1;
}

void PassThroughTransport::CopySense(int32_t index, uint8_t (&dest)[kSenseDataLength]) {
  std::memcpy(dest, requests_[index].sense, sizeof dest);
}

}  // namespace scsi
