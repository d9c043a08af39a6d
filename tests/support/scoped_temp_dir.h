// Test helpers on real files: a fresh temporary folder removed afterwards, entering a folder for
// the length of a scope, and whole-file reads and writes. Natively and under Wine alike.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace testfs {

// A folder of its own in the system's temporary folder. The name mixes the clock into the random
// device, which the 32-bit runtime may implement as a fixed sequence: two test programs running at
// the same time must not pick the same folder.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::random_device entropy;
    std::mt19937 names(entropy() ^ static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("flash-test-" + std::to_string(names()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The name of a file inside, in the Windows form the profile functions take.
  std::string WindowsName(const std::string& leaf) const { return path_.string() + "\\" + leaf; }

 private:
  std::filesystem::path path_;
};

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::filesystem::path& directory)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~ScopedCurrentDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// A fresh temporary folder as the current directory (FLASH.INI and FLASH.LOG sit there), left
// and removed at the end of the scope.
class TempCurrentDirectory {
 public:
  const std::filesystem::path& Path() const { return dir_.path(); }

 private:
  ScopedTempDir dir_;
  ScopedCurrentDirectory current_{dir_.path()};
};

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

// "<none>" when the file does not exist.
inline std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "<none>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testfs
