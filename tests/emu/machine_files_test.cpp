// The emulated machine's files: open by path, size, reads that end short at the end of the file,
// a read failure on demand, and handle bookkeeping.
#include <gtest/gtest.h>

#include <numeric>

#include "emu/machine.h"

namespace emu {
namespace {

using platform::Handle;

class MachineFiles : public testing::Test {
 protected:
  MachineFiles() {
    bytes_.resize(1000);
    std::iota(bytes_.begin(), bytes_.end(), 0);
    machine_.AddFile("C:\\FW\\Update.cvt", bytes_);
  }
  Handle Open(const char* path) {
    return machine_.CreateFileA(path, platform::kGenericRead, platform::kFileShareRead, platform::kOpenExisting,
                                platform::kFileFlagSequentialScan);
  }
  Machine machine_;
  std::vector<uint8_t> bytes_;
};

TEST_F(MachineFiles, ReadsInChunksAndEndsShort) {
  const Handle file = Open("c:\\fw\\UPDATE.CVT");  // paths compare without case
  ASSERT_NE(file, platform::kInvalidHandle);
  EXPECT_EQ(machine_.GetFileSize(file), 1000u);
  std::vector<uint8_t> buffer(600);
  std::vector<uint8_t> read;
  const uint32_t expected[] = {600, 400, 0};
  for (uint32_t want : expected) {
    uint32_t got = 12345;
    ASSERT_EQ(machine_.ReadFile(file, buffer.data(), 600, &got), 1);
    ASSERT_EQ(got, want);
    read.insert(read.end(), buffer.begin(), buffer.begin() + got);
  }
  EXPECT_EQ(read, bytes_);
  EXPECT_EQ(machine_.FileBytes("C:\\FW\\UPDATE.CVT"), bytes_);
  EXPECT_EQ(machine_.CloseHandle(file), 1);
  EXPECT_EQ(machine_.OpenFileHandles(), 0u);
}

TEST_F(MachineFiles, ReadFailsWhereAsked) {
  machine_.FailReadAt("C:\\FW\\Update.cvt", 700);
  const Handle file = Open("C:\\FW\\Update.cvt");
  std::vector<uint8_t> buffer(600);
  uint32_t got = 0;
  EXPECT_EQ(machine_.ReadFile(file, buffer.data(), 600, &got), 1);
  EXPECT_EQ(machine_.ReadFile(file, buffer.data(), 600, &got), 0);
  EXPECT_EQ(got, 0u);
}

TEST_F(MachineFiles, BadOpensAndHandles) {
  EXPECT_EQ(Open("C:\\FW\\missing.cvt"), platform::kInvalidHandle);
  EXPECT_EQ(machine_.CreateFileA("C:\\FW\\Update.cvt", platform::kGenericRead, 0, 2 /*CREATE_ALWAYS*/, 0),
            platform::kInvalidHandle);
  EXPECT_EQ(machine_.GetFileSize(0x999), 0xFFFFFFFFu);
  uint32_t got = 0;
  uint8_t byte = 0;
  EXPECT_EQ(machine_.ReadFile(0x999, &byte, 1, &got), 0);
  const Handle file = Open("C:\\FW\\Update.cvt");
  EXPECT_EQ(machine_.ReadFile(file, nullptr, 1, &got), 0);
  EXPECT_EQ(machine_.ReadFile(file, &byte, 1, nullptr), 0);
  const Handle writeOnly =
      machine_.CreateFileA("C:\\FW\\Update.cvt", platform::kGenericWrite, 0, platform::kOpenExisting, 0);
  EXPECT_EQ(machine_.ReadFile(writeOnly, &byte, 1, &got), 0);
  EXPECT_EQ(machine_.CloseEvent(file), 0);  // not an event
  EXPECT_EQ(machine_.OpenFileHandles(), 2u);
}

}  // namespace
}  // namespace emu
