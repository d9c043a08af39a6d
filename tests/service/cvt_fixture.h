// Test fixtures for the loader: generated .CVT files and an in-memory FileIo that logs its calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fixture {

// Block i filled with bytes that differ from block to block, so a block at the wrong offset shows.
std::vector<uint8_t> MakeBlock(int index);

// A well-formed .CVT file: the header text padded with zeros to 36 bytes, `blocks` blocks from
// MakeBlock, then the byte sum and the BSD rotating sum of the blocks, little-endian. The sums are
// computed here independently of the loader's code.
std::vector<uint8_t> MakeCvt(int blocks);


// In-memory files for platform::FileIo, read only (the loader never writes). Every call goes into
// the shared event log as a short line ("open <path>", "size", "read <n>", "close"), so tests can
// check the order against other fakes.
class FakeFileIo final : public platform::FileIo {
 public:
  explicit FakeFileIo(std::vector<std::string>& events) : events_(events) {}

  void AddFile(const std::string& path, std::vector<uint8_t> bytes) { files_[path] = std::move(bytes); }
  // GetFileSize answers this instead of the real size (a file that changed after it was measured).
  void ReportSize(const std::string& path, uint32_t size) { reportedSizes_[path] = size; }
  // The n-th ReadFile (1-based, counted over the fake's life) fails without moving the position.
  void FailRead(int n) { failingRead_ = n; }

  platform::Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                               uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override { return 0; }
  int ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  uint32_t GetFileSize(platform::Handle file) override;
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override { return platform::kInvalidSetFilePointer; }
  int WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) override { return 0; }
  int CloseHandle(platform::Handle object) override;
  uint32_t GetLastError() override { return 0; }

  // The CreateFileA arguments of the last open.
  uint32_t lastAccess = 0, lastShare = 0, lastDisposition = 0, lastFlags = 0;
  // Every buffer ReadFile wrote into.
  std::vector<const void*> readBuffers;
  int openHandles() const { return static_cast<int>(open_.size()); }

 private:
  struct Open {
    std::string path;
    std::size_t position = 0;
  };
  std::vector<std::string>& events_;
  std::map<std::string, std::vector<uint8_t>> files_;
  std::map<std::string, uint32_t> reportedSizes_;
  std::map<platform::Handle, Open> open_;
  platform::Handle nextHandle_ = 100;
  int reads_ = 0;
  int failingRead_ = 0;
};

}  // namespace fixture
