// The firmware file loader and verifier (see cvt_loader.h).
#include "service/cvt_loader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "settings/settings_file.h"
#include "update/checksums.h"

namespace service {
namespace {

std::unique_ptr<uint8_t[]> AllocateWithoutThrowing(std::size_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

}  // namespace

CvtLoader::CvtLoader(platform::FileIo& files, platform::Profile& profile, LoaderUi ui, BufferAllocator allocate)
    : files_(files),
      profile_(profile),
      ui_(std::move(ui)),
      allocate_(allocate ? std::move(allocate) : BufferAllocator(AllocateWithoutThrowing)) {}

CvtLoader::~CvtLoader() { CloseCurrentFile(); }

void CvtLoader::CloseCurrentFile() {
  if (state_.file != 0) files_.CloseHandle(state_.file);
  state_.file = 0;
  state_.loaded = false;
}

void CvtLoader::Show(const char* message) {
  if (ui_.showMessage) ui_.showMessage(message);
}

bool CvtLoader::Read(uint32_t size, uint32_t& got) {
  got = 0;
  return files_.ReadFile(state_.file, work_.data(), size, &got) != 0;
}

bool CvtLoader::ReadWhole(uint32_t size) {
  uint32_t got = 0;
  return Read(size, got) && got == size;
}

void CvtLoader::LoadAndVerify(const std::string& path, const std::string& startupDirectory) {
  if (!buffer_) {
    buffer_ = allocate_(kCvtBufferSize);
    if (!buffer_) {
      Show(kMsgMemoryAllocationNg);
      return;
    }
  }
  std::fill_n(buffer_.get(), kCvtBufferSize, uint8_t{0});
  update::ImageSums sums;
  state_.byteSum = 0;
  state_.rotatingSum = 0;
  CloseCurrentFile();

  const platform::Handle file =
      files_.CreateFileA(path.c_str(), platform::kGenericRead, platform::kFileShareRead | platform::kFileShareWrite,
                         platform::kOpenExisting, platform::kFileFlagSequentialScan);
  settings::WriteFirmwarePath(profile_, startupDirectory, path);
  // A failed open is reported like an unreadable header; no invalid handle is kept to be closed later.
  if (file == platform::kInvalidHandle || file == 0) {
    Show(kMsgReadNg);
    return;
  }
  state_.file = file;
  const uint32_t size = files_.GetFileSize(file);
  // At most 262143 blocks in a 32-bit size.
  state_.blockCount = static_cast<int32_t>(update::CvtBlockCount(size));

  uint32_t headerBytes = 0;
  if (!Read(update::kCvtHeaderSize, headerBytes)) {
    Show(kMsgReadNg);  // the file stays held until the next load
    return;
  }
  if (size < update::kCvtMinimumSize || headerBytes != update::kCvtHeaderSize ||
      !update::CvtHeaderMatches(work_.data())) {
    Show(kMsgCvtHeaderNg);
    CloseCurrentFile();
    return;
  }
  // The buffer holds 64 blocks; a longer file is refused before any block is read.
  if (state_.blockCount > kCvtBufferBlocks) {
    Show(kMsgReadNg);
    CloseCurrentFile();
    return;
  }

  state_.loaded = true;
  bool everyBlockRead = true;
  for (int32_t i = 0; i < state_.blockCount; ++i) {
    if (!ReadWhole(update::kBlockSize)) {
      Show(kMsgReadNg);
      state_.loaded = false;
      everyBlockRead = false;
      break;
    }
    std::memcpy(buffer_.get() + static_cast<std::size_t>(i) * update::kBlockSize, work_.data(), update::kBlockSize);
    sums.Add(work_.data(), update::kBlockSize);
  }
  state_.byteSum = sums.byteSum;
  state_.rotatingSum = sums.bsdSum;

  // A load that missed a block cannot verify, whatever the bytes after the last good block say.
  const bool wordsRead = ReadWhole(update::kCvtTrailerSize);
  if (everyBlockRead && wordsRead && sums.byteSum == update::ReadCheckWord(work_.data()) &&
      sums.bsdSum == update::ReadCheckWord(work_.data() + 2)) {
    state_.verified = true;
    if (ui_.enableFlash) ui_.enableFlash();
    CloseCurrentFile();
    return;
  }
  Show(kMsgChecksumMismatch);  // the file stays held until the next load
}

}  // namespace service
