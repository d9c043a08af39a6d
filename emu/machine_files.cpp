// The emulated machine's CreateFileA, ReadFile, GetFileSize, SetFilePointer, WriteFile and
// CloseHandle: device handles for drive letters ("\\.\X:") and file handles for the files a test
// added.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "emu/machine.h"

namespace emu {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// "\\.\X:" names the device of drive X.
bool IsDevicePath(const std::string& path) {
  return path.size() == 6 && path.compare(0, 4, "\\\\.\\") == 0 && path[5] == ':' &&
         std::isalpha(static_cast<unsigned char>(path[4])) != 0;
}

}  // namespace

void Machine::AddFile(std::string path, std::vector<uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  files_[Upper(std::move(path))] = File{std::make_shared<const std::vector<uint8_t>>(std::move(bytes)), std::nullopt};
}

std::vector<uint8_t> Machine::FileBytes(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto found = files_.find(Upper(path));
  return found == files_.end() ? std::vector<uint8_t>{} : *found->second.bytes;
}

void Machine::FailReadAt(const std::string& path, uint32_t offset) {
  std::lock_guard lock(mutex_);
  const auto found = files_.find(Upper(path));
  if (found != files_.end()) found->second.failReadAt = offset;
}

size_t Machine::OpenFileHandles() const {
  std::lock_guard lock(mutex_);
  return fileHandles_.size();
}

platform::Handle Machine::CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                                      uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  const std::string text = path != nullptr ? path : "";
  platform::Handle result = platform::kInvalidHandle;
  if (path != nullptr) {
    result = IsDevicePath(text) ? CreateDeviceHandle(text, desiredAccess, creationDisposition)
                                : CreateFileHandle(text, desiredAccess, creationDisposition);
  }
  std::lock_guard lock(mutex_);
  opens_.push_back({text, desiredAccess, shareMode, creationDisposition, flagsAndAttributes, result});
  return result;
}

platform::Handle Machine::CreateDeviceHandle(const std::string& path, uint32_t access, uint32_t disposition) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[4])));
  uint32_t error = 0;
  platform::Handle handle = platform::kInvalidHandle;
  {
    std::lock_guard lock(mutex_);
    const auto found = letters_.find(letter);
    if (found == letters_.end() || found->second.drive == nullptr) {
      error = platform::kErrorFileNotFound;
    } else if (found->second.openError != 0) {
      error = found->second.openError;
    } else if (disposition != platform::kOpenExisting) {
      error = platform::kErrorAccessDenied;
    } else if (exclusiveLocks_.count(found->second.drive.get()) != 0) {
      // Another handle holds the drive's exclusive lock.
      error = platform::kErrorSharingViolation;
    } else {
      handle = nextHandle_.fetch_add(4);
      devices_[handle] = DeviceHandle{found->second.drive, access, letter};
    }
  }
  if (error != 0) SetLastError(error);
  return handle;
}

platform::Handle Machine::CreateFileHandle(const std::string& path, uint32_t access, uint32_t disposition) {
  std::lock_guard lock(mutex_);
  const auto found = files_.find(Upper(path));
  if (found == files_.end() || disposition != platform::kOpenExisting) return platform::kInvalidHandle;
  const platform::Handle handle = nextHandle_.fetch_add(4);
  fileHandles_[handle] = FileHandle{found->second, access, 0};
  return handle;
}

// Like Windows: at the end of the file the call succeeds with fewer (or no) bytes.
int Machine::ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  std::lock_guard lock(mutex_);
  const auto found = fileHandles_.find(file);
  if (found == fileHandles_.end() || bytesRead == nullptr || (buffer == nullptr && bytesToRead > 0) ||
      (found->second.access & platform::kGenericRead) == 0) {
    return 0;
  }
  *bytesRead = 0;
  FileHandle& handle = found->second;
  const std::vector<uint8_t>& bytes = *handle.file.bytes;
  const uint32_t available = static_cast<uint32_t>(bytes.size()) - std::min<uint32_t>(handle.position, static_cast<uint32_t>(bytes.size()));
  const uint32_t n = std::min(bytesToRead, available);
  const std::optional<uint32_t> failAt = handle.file.failReadAt;
  if (failAt && *failAt >= handle.position && uint64_t{*failAt} < uint64_t{handle.position} + n) {
    return 0;
  }
  if (n > 0) std::memcpy(buffer, bytes.data() + handle.position, n);
  handle.position += n;
  *bytesRead = n;
  return 1;
}

uint32_t Machine::GetFileSize(platform::Handle file) {
  std::lock_guard lock(mutex_);
  const auto found = fileHandles_.find(file);
  if (found == fileHandles_.end()) return 0xFFFFFFFFu;  // INVALID_FILE_SIZE
  return static_cast<uint32_t>(found->second.file.bytes->size());
}

uint32_t Machine::SetFilePointer(platform::Handle, int32_t, uint32_t) {
  SetLastError(platform::kErrorAccessDenied);
  return platform::kInvalidSetFilePointer;
}

int Machine::WriteFile(platform::Handle, const void*, uint32_t, uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  SetLastError(platform::kErrorAccessDenied);
  return 0;
}

// Device, file and token handles; events close through CloseEvent, mutexes through CloseMutex.
int Machine::CloseHandle(platform::Handle object) {
  std::lock_guard lock(mutex_);
  // Closing the handle that holds an exclusive lock gives it back, as the class driver does.
  for (auto it = exclusiveLocks_.begin(); it != exclusiveLocks_.end();) {
    it = it->second.handle == object ? exclusiveLocks_.erase(it) : std::next(it);
  }
  return devices_.erase(object) + fileHandles_.erase(object) + tokens_.erase(object) > 0 ? 1 : 0;
}

}  // namespace emu
