// The firmware image carried inside the program (FirmwareImage) and the model strings that decide
// which drives may receive it. Both lie in the program's initialised data and are only read.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace update {

inline constexpr int32_t kBlockSize = 16384;
inline constexpr int32_t kMaxBlocks = 64;
inline constexpr int32_t kPayloadSize = kBlockSize * kMaxBlocks;  // 1 MiB

// The block count, check words and 1 MiB payload as one packed record; the drive takes the check
// words verbatim with every block, and block i sits at payload offset i * kBlockSize.
#pragma pack(push, 1)
struct FirmwareImage {
  int32_t blockCount;
  uint16_t checkWordA;  // byte sum of the blocks
  uint16_t checkWordB;  // BSD rotating sum of the blocks
  uint8_t payload[kPayloadSize];
};
#pragma pack(pop)

// The record is stored little-endian; both builds run on little-endian machines.
static_assert(std::endian::native == std::endian::little);
static_assert(offsetof(FirmwareImage, blockCount) == 0);
static_assert(offsetof(FirmwareImage, checkWordA) == 4);
static_assert(offsetof(FirmwareImage, checkWordB) == 6);
static_assert(offsetof(FirmwareImage, payload) == 8);
static_assert(sizeof(FirmwareImage) == 8 + kPayloadSize);

// The image of this build (generated at build time from the placeholder or from a .CVT file).
extern const FirmwareImage kEmbeddedImage;

// Start of block `index`; the caller keeps 0 <= index < kMaxBlocks.
inline const uint8_t* ImageBlock(const FirmwareImage& image, int32_t index) {
  return image.payload + static_cast<std::size_t>(index) * kBlockSize;
}

// Six NUL-terminated strings back to back, in the order the model gate names them.
struct ModelStrings {
  char gateVendor[6];         // "TEVOR": vendor of a drive that needs the parameter write
  char gateProductPrefix[8];  // "HTL6190": product prefix of that drive (7 bytes compared)
  char imageModel[15];        // "DVD RW KMR5133": the model this image targets...
  char buildModel[15];        // "DVD RW KMR5133": ...compared whole with the model of this build
  char flashVendor[6];        // "TEVOR": vendor of the drive the image is made for
  char flashProduct[15];      // "DVD RW KMR5133": its product (14 bytes compared)
};
static_assert(sizeof(ModelStrings) == 65);
static_assert(offsetof(ModelStrings, buildModel) - offsetof(ModelStrings, imageModel) == 15);
static_assert(offsetof(ModelStrings, flashProduct) - offsetof(ModelStrings, buildModel) == 21);

extern const ModelStrings kModelStrings;

}  // namespace update
