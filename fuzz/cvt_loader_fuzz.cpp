// Fuzz target: any bytes as a .CVT file for the firmware file loader. The loader must verify the
// file exactly when its header, block count and both check words are right, show the one message
// that says why otherwise, copy the blocks it read, and hand back every file it opened.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "answering_platform.h"
#include "service/cvt_loader.h"
#include "settings/settings_file.h"

namespace {

constexpr platform::Handle kFile = 0x77;

// The file system of one file; reads go on from where the last one ended, like ReadFile's.
class OneFile final : public platform::FileIo {
 public:
  OneFile(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  platform::Handle CreateFileA(const char* path, uint32_t, uint32_t, uint32_t, uint32_t) override {
    fuzz::Require(path != nullptr && std::strcmp(path, "FW.CVT") == 0, "the loader opened another file");
    fuzz::Require(!open_, "the file opened twice");
    open_ = true;
    position_ = 0;
    return kFile;
  }
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override {
    fuzz::Fail("DeviceIoControl on a file");
  }
  int ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override {
    fuzz::Require(open_ && file == kFile, "a read of a file that is not open");
    const std::size_t count = std::min<std::size_t>(bytesToRead, size_ - position_);
    if (count > 0) std::memcpy(buffer, data_ + position_, count);
    position_ += count;
    if (bytesRead != nullptr) *bytesRead = static_cast<uint32_t>(count);
    return 1;
  }
  uint32_t GetFileSize(platform::Handle file) override {
    fuzz::Require(open_ && file == kFile, "the size of a file that is not open");
    return static_cast<uint32_t>(size_);
  }
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override { fuzz::Fail("the loader moved in its file"); }
  int WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) override { fuzz::Fail("the loader wrote its file"); }
  int CloseHandle(platform::Handle object) override {
    fuzz::Require(open_ && object == kFile, "a close of a file that is not open");
    open_ = false;
    return 1;
  }
  uint32_t GetLastError() override { return 0; }
  bool Open() const { return open_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool open_ = false;
};

class WriteOnlyProfile final : public platform::Profile {
 public:
  uint32_t GetPrivateProfileIntA(const char*, const char*, int32_t, const char*) override {
    fuzz::Fail("the loader read an integer setting");
  }
  uint32_t GetPrivateProfileStringA(const char*, const char*, const char*, char*, uint32_t, const char*) override {
    fuzz::Fail("the loader read a text setting");
  }
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char*) override {
    fuzz::Require(std::strcmp(section, settings::kSectionFirmware) == 0 && std::strcmp(key, settings::kKeyPath) == 0 &&
                      std::strcmp(value, "FW.CVT") == 0,
                  "the loader wrote another setting");
    ++writes;
    return 1;
  }
  uint32_t GetCurrentDirectoryA(uint32_t, char*) override { fuzz::Fail("the loader asked the directory"); }
  int writes = 0;
};

// What the file is, computed from its bytes alone.
struct Expected {
  const char* message = nullptr;  // null: verified
  int32_t blocks = 0;             // blocks that belong in the buffer
};

Expected Judge(const uint8_t* data, std::size_t size) {
  Expected expected;
  if (size < 40 || std::memcmp(data, update::kCvtMagic, 25) != 0) {
    expected.message = service::kMsgCvtHeaderNg;
    return expected;
  }
  const auto blocks = static_cast<int32_t>((size - 40) / 16384);
  if (blocks > 64) {
    expected.message = service::kMsgReadNg;
    return expected;
  }
  expected.blocks = blocks;
  uint16_t byteSum = 0;
  uint16_t bsdSum = 0;
  for (std::size_t i = 36; i < 36 + static_cast<std::size_t>(blocks) * 16384; ++i) {
    byteSum = static_cast<uint16_t>(byteSum + data[i]);
    const auto rotated = static_cast<uint16_t>((bsdSum >> 1) | ((bsdSum & 1u) << 15));
    bsdSum = static_cast<uint16_t>(rotated + data[i]);
  }
  const std::size_t words = 36 + static_cast<std::size_t>(blocks) * 16384;
  const uint16_t wordA = static_cast<uint16_t>(data[words] | data[words + 1] << 8);
  const uint16_t wordB = static_cast<uint16_t>(data[words + 2] | data[words + 3] << 8);
  if (byteSum != wordA || bsdSum != wordB) expected.message = service::kMsgChecksumMismatch;
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  OneFile file(data, size);
  WriteOnlyProfile profile;
  std::vector<std::string> messages;
  int enabled = 0;
  const Expected expected = Judge(data, size);
  {
    service::CvtLoader loader(file, profile,
                              {[&messages](const std::string& m) { messages.push_back(m); }, [&enabled] { ++enabled; }});
    loader.LoadAndVerify("FW.CVT", "D:\\Tools");
    fuzz::Require(profile.writes == 1, "the path was not written once");
    if (expected.message == nullptr) {
      fuzz::Require(messages.empty() && enabled == 1 && loader.State().verified, "a good file did not verify");
      fuzz::Require(!file.Open() && loader.State().file == 0, "a verified file stayed open");
    } else {
      fuzz::Require(messages.size() == 1 && messages[0] == expected.message && enabled == 0 &&
                        !loader.State().verified,
                    "a bad file did not get the one message that says why");
    }
    if (expected.message == nullptr || expected.message == service::kMsgChecksumMismatch) {
      const uint8_t* buffer = loader.Buffer();
      const std::size_t loaded = static_cast<std::size_t>(expected.blocks) * 16384;
      fuzz::Require(std::memcmp(buffer, data + 36, loaded) == 0, "the buffer does not hold the file's blocks");
      for (std::size_t i = loaded; i < service::kCvtBufferSize; i += 4096) {
        fuzz::Require(buffer[i] == 0, "the buffer holds bytes after the file's blocks");
      }
    }
  }
  fuzz::Require(!file.Open(), "the loader kept the file after it was destroyed");
  return 0;
}
