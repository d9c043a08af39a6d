// The placeholder firmware that the build embeds while the drive maker's image is not available:
// deterministic bytes whose byte sum and BSD rotating sum come out exactly at the given check
// words, so that a drive (or a .CVT file made from them) accepts them. Also writes the C++ source
// that places an image record in the program's initialised data.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// `blockCount` blocks of pseudo-random bytes from `seed`, with the end of the last block adjusted
// so that both sums hold. Empty when no adjustment was found (not seen for any check words).
std::vector<uint8_t> MakePlaceholderBlocks(int32_t blockCount, uint16_t checkWordA,
                                           uint16_t checkWordB, uint32_t seed);

// A C++ source that defines update::kEmbeddedImage with these values; `blocks` holds
// blockCount * 16384 bytes (at most the 1 MiB payload); the rest of the payload is zero.
void WriteImageSource(std::ostream& out, int32_t blockCount, uint16_t checkWordA,
                      uint16_t checkWordB, const std::vector<uint8_t>& blocks,
                      const std::string& origin);

}  // namespace tools
