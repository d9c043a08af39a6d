// Back-end choice, drive enumeration and device open/close of the SCSI transport.
#include "scsi/scsi_layer.h"

#include <cstring>
#include <string>

namespace scsi {
namespace {

constexpr char kAspiLibrary[] = "WNASPI32.DLL";
constexpr int kTargetsPerAdapter = 8;
constexpr int kLetters = 26;
// The largest alignment the layer believes an adapter asks for; a mask must also be of the
// form 2^n - 1 to mean anything.
constexpr uint32_t kLargestAlignmentMask = 0xFFFF;

bool PlausibleMask(uint32_t mask) { return mask <= kLargestAlignmentMask && (mask & (mask + 1)) == 0; }

}  // namespace

ScsiLayer::ScsiLayer(const platform::ScsiPlatform& os) : os_(os) {
  handles_.fill(platform::kInvalidHandle);
  alignmentMasks_.fill(kUnknownAlignmentMask);
  const uint32_t platformId = platform::PlatformId(os_.system);
  if (platformId == platform::kPlatformWin32NT) {
    backEnd_ = BackEnd::PassThrough;
    EnumeratePassThrough();
  } else if (platformId == platform::kPlatformWin32Windows) {
    backEnd_ = BackEnd::Aspi;
    EnumerateAspi();
  }
}

// The manager may still write into a retired request; the layer lives as long as the process, so
// only its end frees them.
ScsiLayer::~ScsiLayer() {
  for (const auto& request : retiredAspiRequests_) os_.sync.CloseEvent(request->event);
}

void ScsiLayer::EnumeratePassThrough() {
  const uint32_t mask = os_.system.GetLogicalDrives();
  for (int bit = 0; bit < kLetters; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    const char letter = static_cast<char>('A' + bit);
    const char root[] = {letter, ':', '\\', '\0'};
    if (os_.system.GetDriveTypeA(root) == platform::kDriveCdrom) deviceIds_[deviceCount_++] = letter;
  }
}

void ScsiLayer::EnumerateAspi() {
  aspiState_ = AspiManagerState::NotLoaded;
  const platform::Module library = os_.library.LoadLibraryA(kAspiLibrary);
  if (library == 0) return;
  auto supportInfo = reinterpret_cast<platform::GetAspi32SupportInfoFn>(
      os_.library.GetProcAddress(library, "GetASPI32SupportInfo"));
  auto sendCommand =
      reinterpret_cast<platform::SendAspi32CommandFn>(os_.library.GetProcAddress(library, "SendASPI32Command"));
  if (supportInfo == nullptr || sendCommand == nullptr) {
    aspiState_ = AspiManagerState::EntryPointsMissing;
    os_.library.FreeLibrary(library);
    return;
  }
  getSupportInfo_ = supportInfo;
  sendCommand_ = sendCommand;

  const uint32_t support = getSupportInfo_();
  if (((support >> 8) & 0xFF) != platform::kSsComp) {
    aspiState_ = AspiManagerState::NotCompleted;
    return;
  }
  aspiState_ = AspiManagerState::Ready;
  const int adapters = static_cast<int>(support & 0xFF);
  for (int adapter = 0; adapter < adapters && deviceCount_ < kMaxDevices; ++adapter) {
    for (int target = 0; target < kTargetsPerAdapter && deviceCount_ < kMaxDevices; ++target) {
      platform::SrbGetDevType query{};
      query.SRB_Cmd = platform::kScGetDevType;
      query.SRB_HaId = static_cast<uint8_t>(adapter);
      query.SRB_Target = static_cast<uint8_t>(target);
      sendCommand_(&query);
      if (query.SRB_Status == platform::kSsComp && query.SRB_DeviceType == platform::kDeviceTypeCdrom) {
        deviceIds_[deviceCount_++] = adapter * 256 + target;
      }
    }
  }
}

int ScsiLayer::OpenDevice(int32_t index) {
  if (!InList(index)) return 0;
  if (backEnd_ == BackEnd::PassThrough) {
    platform::Handle& slot = handles_[index];
    if (slot != platform::kInvalidHandle && slot != 0) return 1;
    const std::string path = std::string("\\\\.\\") + static_cast<char>(deviceIds_[index]) + ":";
    // A synchronous handle: DeviceIoControl is called without an overlapped record, which a
    // handle opened for overlapped I/O does not allow. A failed open is kept as it is, with its
    // error: commands on it fail, and the caller can tell why.
    slot = os_.files.CreateFileA(path.c_str(), platform::kGenericRead | platform::kGenericWrite,
                                 platform::kFileShareRead | platform::kFileShareWrite, platform::kOpenExisting, 0);
    openFailed_[index] = slot == platform::kInvalidHandle;
    openErrors_[index] = openFailed_[index] ? os_.files.GetLastError() : 0;
    if (!openFailed_[index]) alignmentMasks_[index] = AskAlignmentMask(slot);
    return 1;
  }
  // An ASPI target needs no open: every command names its own adapter and target.
  return 1;
}

int ScsiLayer::CloseDevice(int32_t index) {
  if (!InList(index) || backEnd_ != BackEnd::PassThrough) return 1;
  platform::Handle& slot = handles_[index];
  if (slot != platform::kInvalidHandle && slot != 0) {
    os_.files.CloseHandle(slot);
    slot = 0;
  }
  return 1;
}

// Asked with every new handle: a drive letter may stand for another adapter after a re-open.
uint32_t ScsiLayer::AskAlignmentMask(platform::Handle handle) {
  platform::IoScsiCapabilities capabilities{};
  uint32_t returned = 0;
  const int ok = os_.files.DeviceIoControl(handle, platform::kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                                           sizeof capabilities, &returned);
  const bool told = ok != 0 && returned >= offsetof(platform::IoScsiCapabilities, AlignmentMask) + sizeof(uint32_t);
  return told && PlausibleMask(capabilities.AlignmentMask) ? capabilities.AlignmentMask : kUnknownAlignmentMask;
}

bool ScsiLayer::OpenFailed(DeviceRef ref) const { return backEnd_ == BackEnd::PassThrough && InList(ref) && openFailed_[ref]; }

uint32_t ScsiLayer::OpenError(DeviceRef ref) const { return OpenFailed(ref) ? openErrors_[ref] : 0; }

uint32_t ScsiLayer::AlignmentMask(int index) const {
  return index >= 0 && index < kMaxDevices ? alignmentMasks_[index] : kUnknownAlignmentMask;
}

int ScsiLayer::OpenRef(DeviceRef& ref, int32_t index) {
  OpenDevice(index);
  ref = index;
  return 1;
}

int ScsiLayer::CloseRef(DeviceRef& ref) {
  if (ref != kClosedRef) {
    CloseDevice(ref);
    ref = kClosedRef;
  }
  return 1;
}

int32_t ScsiLayer::DeviceId(int index) const { return InList(index) ? deviceIds_[index] : -1; }

platform::Handle ScsiLayer::HandleSlot(int index) const {
  return index >= 0 && index < kMaxDevices ? handles_[index] : platform::kInvalidHandle;
}

}  // namespace scsi
