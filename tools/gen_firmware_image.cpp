// Build-time generator of the embedded firmware image record: the deterministic placeholder, or
// the blocks of a real .CVT file, which must verify or the build stops here.
//   gen_firmware_image --out FILE.cpp [--cvt FIRMWARE.CVT]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "placeholder_image.h"
#include "update/checksums.h"
#include "update/cvt_format.h"

namespace {

// What this build's record names: 49 blocks, check words 0x51C4 and 0xF9E1.
constexpr int32_t kPlaceholderBlocks = 49;
constexpr uint16_t kPlaceholderCheckA = 0x51C4;
constexpr uint16_t kPlaceholderCheckB = 0xF9E1;
constexpr uint32_t kPlaceholderSeed = 0x5270C0DEu;

int Fail(const std::string& message) {
  std::cerr << "gen_firmware_image: " << message << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outPath;
  std::string cvtPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      outPath = argv[++i];
    } else if (arg == "--cvt" && i + 1 < argc) {
      cvtPath = argv[++i];
    } else {
      return Fail("usage: gen_firmware_image --out FILE.cpp [--cvt FIRMWARE.CVT]");
    }
  }
  if (outPath.empty()) return Fail("usage: gen_firmware_image --out FILE.cpp [--cvt FIRMWARE.CVT]");

  int32_t blockCount = kPlaceholderBlocks;
  uint16_t checkA = kPlaceholderCheckA;
  uint16_t checkB = kPlaceholderCheckB;
  std::vector<uint8_t> blocks;
  std::string origin = "the deterministic placeholder";

  if (!cvtPath.empty()) {
    std::ifstream in(cvtPath, std::ios::binary);
    if (!in) return Fail("cannot read the firmware file " + cvtPath);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const update::CvtCheck check = update::CheckCvt(file);
    if (!check.ok) {
      return Fail("the firmware file " + cvtPath + " does not verify: " + check.error +
                  "; refusing to embed it");
    }
    blockCount = check.blockCount;
    checkA = check.checkWordA;
    checkB = check.checkWordB;
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(check.blocksOffset);
    blocks.assign(first, first + static_cast<std::ptrdiff_t>(blockCount) * update::kBlockSize);
    origin = cvtPath;
  } else {
    blocks = tools::MakePlaceholderBlocks(blockCount, checkA, checkB, kPlaceholderSeed);
  }

  // Whatever the source, the record must carry blocks that its own check words accept.
  update::ImageSums sums;
  sums.Add(blocks.data(), blocks.size());
  if (blocks.size() != static_cast<std::size_t>(blockCount) * update::kBlockSize ||
      sums.byteSum != checkA || sums.bsdSum != checkB) {
    return Fail("the generated blocks do not match their check words");
  }

  const std::string tempPath = outPath + ".tmp";
  {
    std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
    if (!out) return Fail("cannot write " + tempPath);
    tools::WriteImageSource(out, blockCount, checkA, checkB, blocks, origin);
    if (!out.flush()) return Fail("cannot write " + tempPath);
  }
  if (std::rename(tempPath.c_str(), outPath.c_str()) != 0) return Fail("cannot write " + outPath);
  return 0;
}
