// Writes the embedded firmware image as a .CVT firmware file, for the tests, the demo and the
// end-to-end scenarios; options make deliberately broken files for the loader's failure paths.
//   make_cvt [--blocks N] [--flip OFFSET] [--header TEXT] OUT.CVT
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "update/cvt_format.h"
#include "update/firmware_image.h"

namespace {

int Usage() {
  std::cerr << "usage: make_cvt [--blocks N] [--flip OFFSET] [--header TEXT] OUT.CVT\n"
               "  writes the embedded firmware image as a .CVT file\n"
               "  --blocks N     only its first N blocks (0..64), check words computed for them\n"
               "  --flip OFFSET  invert the block byte at OFFSET after the check words are set\n"
               "  --header TEXT  this header text (cut or zero-padded to 36 bytes)\n";
  return 2;
}

bool ParseNumber(const char* text, long long max, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 0);
  return end != text && *end == '\0' && value >= 0 && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
  long long blocks = -1;
  long long flip = -1;
  const char* header = nullptr;
  const char* outPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--blocks" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], update::kMaxBlocks, blocks)) return Usage();
    } else if (arg == "--flip" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], update::kPayloadSize - 1, flip)) return Usage();
    } else if (arg == "--header" && i + 1 < argc) {
      header = argv[++i];
    } else if (outPath == nullptr && arg.rfind("--", 0) != 0) {
      outPath = argv[i];
    } else {
      return Usage();
    }
  }
  if (outPath == nullptr) return Usage();

  const update::FirmwareImage& image = update::kEmbeddedImage;
  std::vector<uint8_t> file = blocks < 0
      ? update::MakeCvtFromImage(image)
      : update::MakeVerifiedCvt(image.payload, static_cast<int32_t>(blocks));
  const std::size_t blockBytes = file.size() - update::kCvtHeaderSize - update::kCvtTrailerSize;
  if (flip >= 0) {
    if (static_cast<std::size_t>(flip) >= blockBytes) {
      std::cerr << "make_cvt: --flip " << flip << " is outside the " << blockBytes << " block bytes\n";
      return 2;
    }
    uint8_t& byte = file[update::kCvtHeaderSize + static_cast<std::size_t>(flip)];
    byte = static_cast<uint8_t>(~byte);
  }
  if (header != nullptr) {
    std::memset(file.data(), 0, update::kCvtHeaderSize);
    std::memcpy(file.data(), header, std::min(std::strlen(header), update::kCvtHeaderSize));
  }

  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out.flush()) {
    std::cerr << "make_cvt: cannot write " << outPath << "\n";
    return 1;
  }
  return 0;
}
