// The firmware update file (.CVT): a 36-byte header, N blocks of 16384 bytes, then the byte sum and
// the rotating (BSD) sum of the blocks as two little-endian 16-bit check words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace service {

inline constexpr char kCvtMagic[] = "Corvant DVD5270 flash file";
// Only the first 25 bytes of the header are compared; byte 25 (the last letter) and on are free.
inline constexpr std::size_t kCvtMagicCompared = 25;
inline constexpr uint32_t kCvtHeaderSize = 36;
inline constexpr uint32_t kCvtCheckWordsSize = 4;
inline constexpr uint32_t kCvtMinimumSize = kCvtHeaderSize + kCvtCheckWordsSize;
inline constexpr uint32_t kCvtBlockSize = 16384;
inline constexpr uint32_t kCvtBufferSize = 1048576;
inline constexpr int32_t kCvtBufferBlocks = static_cast<int32_t>(kCvtBufferSize / kCvtBlockSize);

// N = (size - 40) / 16384 rounded down, 0 below 40 bytes; bytes after the check words are ignored.
int32_t CvtBlockCount(uint32_t fileSize);

// header holds at least kCvtMagicCompared bytes.
bool CvtHeaderMatches(const uint8_t* header);

// The two running check sums, fed with the blocks in file order.
struct CvtSums {
  uint16_t byteSum = 0;      // sum of the bytes modulo 65536
  uint16_t rotatingSum = 0;  // BSD checksum: rotate right by one, then add the byte

  void Add(const uint8_t* data, std::size_t size);
};

uint16_t ReadLittleEndian16(const uint8_t* bytes);

}  // namespace service
