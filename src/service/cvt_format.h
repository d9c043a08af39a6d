// The firmware update file (.CVT): a 36-byte header, N blocks of 16384 bytes, then the byte sum and
// the rotating (BSD) sum of the blocks as two little-endian 16-bit check words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "update/checksums.h"
#include "update/cvt_format.h"

namespace service {

// The layout is the one the project's .CVT writer produces; only the first 25 bytes of the header
// are compared, so byte 25 (the last letter) and on are free.
using update::kCvtMagic;
using update::kCvtMagicCompared;
inline constexpr uint32_t kCvtHeaderSize = static_cast<uint32_t>(update::kCvtHeaderSize);
inline constexpr uint32_t kCvtCheckWordsSize = static_cast<uint32_t>(update::kCvtTrailerSize);
inline constexpr uint32_t kCvtMinimumSize = kCvtHeaderSize + kCvtCheckWordsSize;
inline constexpr uint32_t kCvtBlockSize = static_cast<uint32_t>(update::kBlockSize);
inline constexpr uint32_t kCvtBufferSize = 1048576;
inline constexpr int32_t kCvtBufferBlocks = static_cast<int32_t>(kCvtBufferSize / kCvtBlockSize);

// N = (size - 40) / 16384 rounded down, 0 below 40 bytes; bytes after the check words are ignored.
int32_t CvtBlockCount(uint32_t fileSize);

// header holds at least kCvtMagicCompared bytes.
bool CvtHeaderMatches(const uint8_t* header);

// The two running check sums (byte sum, BSD rotating sum), fed with the blocks in file order.
using CvtSums = update::ImageSums;

uint16_t ReadLittleEndian16(const uint8_t* bytes);

}  // namespace service
