// Generated .CVT files and the in-memory FileIo of the loader tests.
#include "cvt_fixture.h"

#include <algorithm>
#include <cstring>

#include "update/cvt_format.h"

namespace fixture {

std::vector<uint8_t> MakeBlock(int index) {
  std::vector<uint8_t> block(16384);
  uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(index + 1);
  for (auto& byte : block) {
    x = x * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(x >> 16);
  }
  return block;
}

std::vector<uint8_t> MakeCvt(int blocks) {
  std::vector<uint8_t> body;
  for (int i = 0; i < blocks; ++i) {
    const auto block = MakeBlock(i);
    body.insert(body.end(), block.begin(), block.end());
  }
  return update::MakeVerifiedCvt(body.data(), blocks);
}

platform::Handle FakeFileIo::CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                                         uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  events_.push_back(std::string("open ") + path);
  lastAccess = desiredAccess;
  lastShare = shareMode;
  lastDisposition = creationDisposition;
  lastFlags = flagsAndAttributes;
  if (files_.count(path) == 0) return platform::kInvalidHandle;
  const platform::Handle handle = nextHandle_++;
  open_[handle] = Open{path, 0};
  return handle;
}

int FakeFileIo::ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  events_.push_back("read " + std::to_string(bytesToRead));
  readBuffers.push_back(buffer);
  *bytesRead = 0;
  const auto it = open_.find(file);
  if (it == open_.end() || ++reads_ == failingRead_) return 0;
  const auto& bytes = files_[it->second.path];
  const std::size_t available = bytes.size() - std::min(bytes.size(), it->second.position);
  const std::size_t count = std::min<std::size_t>(bytesToRead, available);
  if (count > 0) std::memcpy(buffer, bytes.data() + it->second.position, count);
  it->second.position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return 1;
}

uint32_t FakeFileIo::GetFileSize(platform::Handle file) {
  events_.push_back("size");
  const auto it = open_.find(file);
  if (it == open_.end()) return 0xFFFFFFFFu;
  const auto reported = reportedSizes_.find(it->second.path);
  if (reported != reportedSizes_.end()) return reported->second;
  return static_cast<uint32_t>(files_[it->second.path].size());
}

int FakeFileIo::CloseHandle(platform::Handle object) {
  events_.push_back("close");
  return open_.erase(object) == 1 ? 1 : 0;
}

}  // namespace fixture
