// Generating the placeholder firmware blocks and the image record's C++ source.
#include "placeholder_image.h"

#include <cstddef>
#include <unordered_map>

#include "update/checksums.h"
#include "update/firmware_image.h"

namespace tools {
namespace {

// The last 32 bytes settle the rotating sum through four free bytes among them. Each free byte
// reaches the final sum rotated by its distance from the end (mod 16): the first pair (15 and 7)
// and the second (14 and 6) each cover all 16 bits, which the search in the middle needs, and
// the four rotations are not all alike modulo 2, 4 or 8, which keeps the rotating sum independent
// of the free bytes' plain byte sum (the rotation is a multiplication modulo 65535 = 3*5*17*257).
// The free bytes' byte sum is fixed in advance (mid-range, so that many choices have it) and the
// bytes before the tail carry the rest of the byte sum.
constexpr std::size_t kTail = 32;
constexpr std::size_t kFree[4] = {0, 8, 17, 25};
constexpr unsigned kFreeByteSum = 510;

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}
  uint8_t Next() {  // splitmix64, top byte
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>((z ^ (z >> 31)) >> 56);
  }

 private:
  uint64_t state_;
};

uint16_t Step(uint16_t sum, unsigned byte) {
  return static_cast<uint16_t>(static_cast<uint16_t>((sum >> 1) | (sum << 15)) + byte);
}

// Moves the byte sum of bytes [0, end) by `delta` (mod 65536), changing bytes from `end` - 1
// backwards, each within 0..255.
void ShiftByteSum(std::vector<uint8_t>& bytes, std::size_t end, int32_t delta) {
  for (std::size_t i = end; i-- > 0 && delta != 0;) {
    const int32_t room = delta > 0 ? 255 - bytes[i] : -static_cast<int32_t>(bytes[i]);
    const int32_t change = delta > 0 ? (delta < room ? delta : room) : (delta > room ? delta : room);
    bytes[i] = static_cast<uint8_t>(bytes[i] + change);
    delta -= change;
  }
}

uint16_t Unstep(uint16_t after, unsigned byte) {
  const uint16_t rotated = static_cast<uint16_t>(after - byte);
  return static_cast<uint16_t>((rotated << 1) | (rotated >> 15));
}

// Meets in the middle of the tail: the sums reached forward from `start` with the first two free
// bytes against the sums that lead backward to `target` with the last two, with the free bytes'
// byte sum fixed. About 2^32 / 65536 / 511 = 128 choices fit any start and target, so this
// practically always succeeds.
bool SolveTail(uint16_t start, uint16_t target, uint8_t (&tail)[kTail]) {
  constexpr std::size_t kMiddle = kTail / 2;
  auto forward = [&](unsigned u1, unsigned u2) {
    uint16_t sum = start;
    for (std::size_t i = 0; i < kMiddle; ++i) {
      sum = Step(sum, i == kFree[0] ? u1 : i == kFree[1] ? u2 : tail[i]);
    }
    return sum;
  };
  auto backward = [&](unsigned v1, unsigned v2) {
    uint16_t sum = target;
    for (std::size_t i = kTail; i-- > kMiddle;) {
      sum = Unstep(sum, i == kFree[2] ? v1 : i == kFree[3] ? v2 : tail[i]);
    }
    return sum;
  };
  std::unordered_map<uint32_t, uint16_t> middles;  // (middle sum, v1 + v2) -> v1, v2
  middles.reserve(1u << 17);
  for (unsigned v1 = 0; v1 < 256; ++v1) {
    for (unsigned v2 = 0; v2 < 256; ++v2) {
      middles.emplace((uint32_t{backward(v1, v2)} << 9) | (v1 + v2), static_cast<uint16_t>(v1 << 8 | v2));
    }
  }
  for (unsigned u1 = 0; u1 < 256; ++u1) {
    for (unsigned u2 = 0; u2 < 256 && u1 + u2 <= kFreeByteSum; ++u2) {
      const unsigned rest = kFreeByteSum - u1 - u2;
      if (rest > 510) continue;
      const auto found = middles.find((uint32_t{forward(u1, u2)} << 9) | rest);
      if (found == middles.end()) continue;
      tail[kFree[0]] = static_cast<uint8_t>(u1);
      tail[kFree[1]] = static_cast<uint8_t>(u2);
      tail[kFree[2]] = static_cast<uint8_t>(found->second >> 8);
      tail[kFree[3]] = static_cast<uint8_t>(found->second & 0xFF);
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<uint8_t> MakePlaceholderBlocks(int32_t blockCount, uint16_t checkWordA,
                                           uint16_t checkWordB, uint32_t seed) {
  if (blockCount < 1 || blockCount > update::kMaxBlocks) return {};
  std::vector<uint8_t> bytes(static_cast<std::size_t>(blockCount) * update::kBlockSize);
  Random random(seed);
  for (auto& byte : bytes) byte = random.Next();

  const std::size_t head = bytes.size() - kTail;
  // The byte sum of the head is set so that the tail's completes it; a head for which no tail
  // is found (not seen) is drawn again.
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint8_t tail[kTail];
    unsigned fixedSum = kFreeByteSum;
    for (std::size_t i = 0; i < kTail; ++i) {
      tail[i] = bytes[head + i];
      if (i != kFree[0] && i != kFree[1] && i != kFree[2] && i != kFree[3]) fixedSum += tail[i];
    }
    int32_t delta = static_cast<uint16_t>(checkWordA - fixedSum - update::ByteSum(bytes.data(), head));
    if (delta > 32768) delta -= 65536;
    ShiftByteSum(bytes, head, delta);
    if (SolveTail(update::BsdSum(bytes.data(), head), checkWordB, tail)) {
      for (std::size_t i = 0; i < kTail; ++i) bytes[head + i] = tail[i];
      return bytes;
    }
    for (std::size_t i = head - 4096; i < head; ++i) bytes[i] = random.Next();
  }
  return {};
}

void WriteImageSource(std::ostream& out, int32_t blockCount, uint16_t checkWordA,
                      uint16_t checkWordB, const std::vector<uint8_t>& blocks,
                      const std::string& origin) {
  std::size_t used = blocks.size() < static_cast<std::size_t>(update::kPayloadSize)
                         ? blocks.size()
                         : static_cast<std::size_t>(update::kPayloadSize);
  while (used > 0 && blocks[used - 1] == 0) --used;  // the record's zero fill covers the rest

  out << "// Generated at build time by gen_firmware_image from " << origin << ": the embedded\n"
      << "// firmware image record. Do not edit.\n"
      << "#include \"update/firmware_image.h\"\n\n"
      << "namespace update {\n\n"
      << "const FirmwareImage kEmbeddedImage = {\n"
      << "    " << blockCount << ",\n"
      << "    0x" << std::hex << checkWordA << "u,\n"
      << "    0x" << checkWordB << "u,\n" << std::dec;

  constexpr std::size_t kPerLine = 64;
  static const char kOctal[] = "01234567";
  if (used < static_cast<std::size_t>(update::kPayloadSize)) {
    // A string literal compiles far faster than a list of a million numbers; its terminating
    // zero still fits because the last payload byte is zero.
    out << "    \"\"\n";
    for (std::size_t i = 0; i < used; i += kPerLine) {
      out << "    \"";
      for (std::size_t j = i; j < used && j < i + kPerLine; ++j) {
        const unsigned b = blocks[j];
        out << '\\' << kOctal[(b >> 6) & 7] << kOctal[(b >> 3) & 7] << kOctal[b & 7];
      }
      out << "\"\n";
    }
  } else {
    out << "    {\n";
    for (std::size_t i = 0; i < used; i += kPerLine) {
      out << "    ";
      for (std::size_t j = i; j < used && j < i + kPerLine; ++j) out << unsigned{blocks[j]} << ',';
      out << "\n";
    }
    out << "    }\n";
  }
  out << "};\n\n}  // namespace update\n";
}

}  // namespace tools
