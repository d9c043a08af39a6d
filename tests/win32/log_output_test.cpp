// The run log's calls against the real ones, through the file and clock adapters: appending to a
// file (created when missing, never truncated), failures on a bad path, and the local date.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_io.h"

namespace platform::win32 {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Win32FileWriter, AppendsAtTheEndAndCreatesTheFile) {
  const std::string path = (std::filesystem::temp_directory_path() / "flash_win32_log_test.log").string();
  std::remove(path.c_str());
  Win32FileIo writer;
  for (const std::string text : {"one\r\n", "two\r\n"}) {
    const Handle file = writer.CreateFileA(path.c_str(), kGenericWrite, kFileShareRead, kOpenAlways,
                                           kFileAttributeNormal);
    ASSERT_NE(file, kInvalidHandle);
    EXPECT_NE(writer.SetFilePointer(file, 0, kFileEnd), kInvalidSetFilePointer);
    uint32_t written = 0;
    EXPECT_NE(writer.WriteFile(file, text.data(), static_cast<uint32_t>(text.size()), &written), 0);
    EXPECT_EQ(written, text.size());
    EXPECT_NE(writer.CloseHandle(file), 0);
  }
  EXPECT_EQ(ReadWhole(path), "one\r\ntwo\r\n");
  std::remove(path.c_str());
}

TEST(Win32FileWriter, AFolderThatDoesNotExistFailsTheOpen) {
  Win32FileIo writer;
  EXPECT_EQ(writer.CreateFileA("Z:\\no\\such\\folder\\FLASH.LOG", kGenericWrite, kFileShareRead, kOpenAlways,
                               kFileAttributeNormal),
            kInvalidHandle);
}

TEST(Win32LocalTime, IsTodaysLocalDate) {
  Win32Clock clock;
  SystemTime now;
  clock.GetLocalTime(&now);
  const std::time_t t = std::time(nullptr);
  const std::tm* local = std::localtime(&t);
  EXPECT_EQ(now.year, local->tm_year + 1900);
  EXPECT_EQ(now.month, local->tm_mon + 1);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
}

}  // namespace
}  // namespace platform::win32
