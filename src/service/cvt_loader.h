// The firmware file loader and verifier: reads a .CVT file into the 1 MiB buffer, checks its header
// and both check words, and enables the Flash button when they match. Nothing reads the loaded
// buffer afterwards; the outcome shows in the messages, the state and the Flash button.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/profile.h"
#include "update/cvt_format.h"

namespace service {

// The loader's own buffer: room for 64 blocks, whatever the embedded image holds.
inline constexpr uint32_t kCvtBufferSize = 1048576;
inline constexpr int32_t kCvtBufferBlocks = static_cast<int32_t>(kCvtBufferSize / update::kBlockSize);

inline constexpr char kMsgMemoryAllocationNg[] = "Memory allocation NG";
inline constexpr char kMsgReadNg[] = "Read NG";
inline constexpr char kMsgCvtHeaderNg[] = "The .CVT file header NG";
inline constexpr char kMsgChecksumMismatch[] = "Checksum mismatch";

// What the loader needs of the main window: a modal message box, and enabling ButtonFlash.
struct LoaderUi {
  std::function<void(const std::string&)> showMessage;
  std::function<void()> enableFlash;
};

// Gives the 1 MiB buffer, or null when it cannot.
using BufferAllocator = std::function<std::unique_ptr<uint8_t[]>(std::size_t size)>;

struct CvtLoaderState {
  platform::Handle file = 0;  // 0 when no file is held
  bool loaded = false;        // header accepted; cleared by a failed block read and by every close
  bool verified = false;      // both check words matched once; never cleared
  uint16_t byteSum = 0;
  uint16_t rotatingSum = 0;
  int32_t blockCount = 0;     // N of the current file
};

class CvtLoader {
 public:
  CvtLoader(platform::FileIo& files, platform::Profile& profile, LoaderUi ui, BufferAllocator allocate = {});
  ~CvtLoader();
  CvtLoader(const CvtLoader&) = delete;
  CvtLoader& operator=(const CvtLoader&) = delete;

  // Loads and verifies path; writes it as [FIRMWARE] PATH to FLASH.INI in startupDirectory before
  // reading anything, so a file that fails the checks is recorded too.
  void LoadAndVerify(const std::string& path, const std::string& startupDirectory);
  // Closes the held file, if any; the loaded flag goes with it.
  void CloseCurrentFile();

  const CvtLoaderState& State() const { return state_; }
  // The 1 MiB buffer: block i at offset 16384 * i. Null before the first load.
  const uint8_t* Buffer() const { return buffer_.get(); }

 private:
  void Show(const char* message);
  // Into the work buffer: false when the read fails, else true with the bytes delivered in got.
  bool Read(uint32_t size, uint32_t& got);
  // True only when all size bytes came.
  bool ReadWhole(uint32_t size);

  platform::FileIo& files_;
  platform::Profile& profile_;
  LoaderUi ui_;
  BufferAllocator allocate_;
  CvtLoaderState state_;
  std::unique_ptr<uint8_t[]> buffer_;
  std::array<uint8_t, update::kBlockSize> work_{};
};

}  // namespace service
