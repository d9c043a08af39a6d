// The firmware file loader on a 49-block .CVT file on disk, measured against plain sequential reads
// of the same file in 16384-byte pieces. LoaderRelativeToPlainRead prints the ratio as the counter
// "vs_plain_read" (loader time / plain read time, both measured in the same iterations).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/profile.h"
#include "update/checksums.h"
#include "update/cvt_format.h"
#include "service/cvt_loader.h"
#include "settings/ini_profile.h"

namespace {

// FileIo on this machine's files, read only, with the sequential-scan hint passed on as read-ahead advice.
class PosixFileIo final : public platform::FileIo {
 public:
  platform::Handle CreateFileA(const char* path, uint32_t, uint32_t, uint32_t, uint32_t flags) override {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return platform::kInvalidHandle;
    if (flags & platform::kFileFlagSequentialScan) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd + 1;  // 0 means "no file" to the loader
  }
  int DeviceIoControl(platform::Handle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) override { return 0; }
  int ReadFile(platform::Handle file, void* buffer, uint32_t size, uint32_t* got) override {
    const ssize_t n = ::read(static_cast<int>(file - 1), buffer, size);
    *got = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0 ? 1 : 0;
  }
  uint32_t GetFileSize(platform::Handle file) override {
    struct stat info {};
    return ::fstat(static_cast<int>(file - 1), &info) == 0 ? static_cast<uint32_t>(info.st_size) : 0xFFFFFFFFu;
  }
  uint32_t SetFilePointer(platform::Handle, int32_t, uint32_t) override { return platform::kInvalidSetFilePointer; }
  int WriteFile(platform::Handle, const void*, uint32_t, uint32_t*) override { return 0; }
  int CloseHandle(platform::Handle file) override { return ::close(static_cast<int>(file - 1)) == 0 ? 1 : 0; }
  uint32_t GetLastError() override { return 0; }
};

// Keeps the FLASH.INI write out of the reading-and-checking measurement.
class NullProfile final : public platform::Profile {
 public:
  uint32_t GetPrivateProfileIntA(const char*, const char*, int32_t d, const char*) override {
    return static_cast<uint32_t>(d);
  }
  uint32_t GetPrivateProfileStringA(const char*, const char*, const char*, char* b, uint32_t n, const char*) override {
    if (n > 0) b[0] = '\0';
    return 0;
  }
  int WritePrivateProfileStringA(const char*, const char*, const char*, const char*) override { return 1; }
  uint32_t GetCurrentDirectoryA(uint32_t, char*) override { return 0; }
};

// A verified 49-block file in the system's temporary folder, written once.
struct CvtOnDisk {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "flash-loader-bench";
  std::string path = (dir / "DVD.CVT").string();

  CvtOnDisk() {
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> file(update::kCvtHeaderSize, 0);
    std::copy_n(update::kCvtMagic, sizeof update::kCvtMagic - 1, file.begin());
    uint32_t x = 12345;
    for (uint32_t i = 0; i < 49 * update::kBlockSize; ++i) {
      x = x * 1103515245u + 12345u;
      file.push_back(static_cast<uint8_t>(x >> 16));
    }
    update::ImageSums sums;
    sums.Add(file.data() + update::kCvtHeaderSize, 49 * update::kBlockSize);
    for (uint16_t word : {sums.byteSum, sums.bsdSum}) {
      file.push_back(static_cast<uint8_t>(word & 0xFF));
      file.push_back(static_cast<uint8_t>(word >> 8));
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                 static_cast<std::streamsize>(file.size()));
  }
};

const CvtOnDisk& File() {
  static const CvtOnDisk file;
  return file;
}

void PlainSequentialRead(PosixFileIo& files, const std::string& path, std::vector<uint8_t>& work) {
  const platform::Handle file = files.CreateFileA(path.c_str(), platform::kGenericRead, 0, platform::kOpenExisting, 0);
  uint32_t got = 0;
  while (files.ReadFile(file, work.data(), static_cast<uint32_t>(work.size()), &got) && got > 0) {
    benchmark::DoNotOptimize(work.data());
  }
  files.CloseHandle(file);
}

void PlainRead(benchmark::State& state) {
  PosixFileIo files;
  std::vector<uint8_t> work(update::kBlockSize);
  for (auto _ : state) PlainSequentialRead(files, File().path, work);
}
BENCHMARK(PlainRead);

// Arg 0: FLASH.INI write left out; 1: written to a real FLASH.INI beside the file.
void Loader(benchmark::State& state) {
  PosixFileIo files;
  NullProfile nullProfile;
  settings::IniProfile iniProfile;
  platform::Profile& profile = state.range(0) != 0 ? static_cast<platform::Profile&>(iniProfile) : nullProfile;
  int flashEnabled = 0;
  service::CvtLoader loader(files, profile, {nullptr, [&] { ++flashEnabled; }});
  const std::string startup = File().dir.string();
  for (auto _ : state) loader.LoadAndVerify(File().path, startup);
  if (flashEnabled != static_cast<int>(state.iterations())) state.SkipWithError("the file did not verify");
}
BENCHMARK(Loader)->Arg(0)->Arg(1);

void LoaderRelativeToPlainRead(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  PosixFileIo files;
  NullProfile profile;
  service::CvtLoader loader(files, profile, {});
  std::vector<uint8_t> work(update::kBlockSize);
  Clock::duration loaderTime{}, plainTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    loader.LoadAndVerify(File().path, "");
    const auto t1 = Clock::now();
    PlainSequentialRead(files, File().path, work);
    const auto t2 = Clock::now();
    loaderTime += t1 - t0;
    plainTime += t2 - t1;
  }
  state.counters["vs_plain_read"] =
      std::chrono::duration<double>(loaderTime).count() / std::chrono::duration<double>(plainTime).count();
}
BENCHMARK(LoaderRelativeToPlainRead);

}  // namespace
