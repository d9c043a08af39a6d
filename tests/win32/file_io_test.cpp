// The file adapter against the real calls: a file of known bytes read back whole, failed opens, and
// pass-through requests on handles that cannot carry them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/scsi_records.h"
#include "platform/win32/win32_file_io.h"

namespace platform::win32 {
namespace {

class Win32FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() / "flash_win32_file_io_test.bin").string();
    for (std::size_t i = 0; i < content_.size(); ++i) content_[i] = static_cast<char>(i * 7 + 3);
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(content_.data(), static_cast<std::streamsize>(content_.size()));
    ASSERT_TRUE(out.good());
  }
  void TearDown() override { std::remove(path_.c_str()); }

  Handle OpenForReading(const std::string& path) {
    return files_.CreateFileA(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileFlagSequentialScan);
  }

  Win32FileIo files_;
  std::string path_;
  std::vector<char> content_ = std::vector<char>(70000);  // more than one 64 KiB read unit
};

TEST_F(Win32FileIoTest, ReadsAFileWholeAndThenHitsItsEnd) {
  const Handle h = OpenForReading(path_);
  ASSERT_NE(h, kInvalidHandle);
  EXPECT_EQ(files_.GetFileSize(h), content_.size());

  std::vector<char> data(content_.size() + 16, 0);
  uint32_t read = 0;
  EXPECT_NE(files_.ReadFile(h, data.data(), static_cast<uint32_t>(data.size()), &read), 0);
  EXPECT_EQ(read, content_.size());
  data.resize(read);
  EXPECT_EQ(data, content_);

  read = 99;
  EXPECT_NE(files_.ReadFile(h, data.data(), 16, &read), 0);
  EXPECT_EQ(read, 0u);
  EXPECT_NE(files_.CloseHandle(h), 0);
}

TEST_F(Win32FileIoTest, ByteCountersAreOptional) {
  const Handle h = OpenForReading(path_);
  ASSERT_NE(h, kInvalidHandle);
  char first[4] = {};
  EXPECT_NE(files_.ReadFile(h, first, sizeof first, nullptr), 0);
  EXPECT_EQ(first[1], content_[1]);
  EXPECT_EQ(files_.DeviceIoControl(h, kIoctlScsiPassThroughDirect, nullptr, 0, nullptr, 0, nullptr), 0);
  EXPECT_NE(files_.CloseHandle(h), 0);
}

// The device is opened as the layer opens it (synchronous); the failure leaves its reason.
TEST_F(Win32FileIoTest, OpeningWhatDoesNotExistGivesTheInvalidHandle) {
  const std::string missing[] = {path_ + ".missing", "Q:\\no\\such\\folder\\file.cvt", "\\\\.\\Q:"};
  for (const std::string& p : missing) {
    EXPECT_EQ(files_.CreateFileA(p.c_str(), kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                                 kOpenExisting, 0),
              kInvalidHandle)
        << p;
    EXPECT_NE(files_.GetLastError(), 0u) << p;
  }
}

// A device slot that was never opened holds -1 and a closed one 0: a pass-through request on either
// must fail rather than reach anything.
TEST_F(Win32FileIoTest, PassThroughOnAnUnopenedSlotFails) {
  const Handle slots[] = {kInvalidHandle, 0};
  for (Handle slot : slots) {
    PassThroughRequest request{};
    uint32_t returned = 77;
    EXPECT_EQ(files_.DeviceIoControl(slot, kIoctlScsiPassThroughDirect, &request, sizeof request, &request,
                                     sizeof request, &returned),
              0)
        << slot;
    EXPECT_EQ(returned, 0u) << slot;
  }
}

}  // namespace
}  // namespace platform::win32
