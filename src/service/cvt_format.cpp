// .CVT layout helpers: block count, header check and the two check sums.
#include "service/cvt_format.h"

#include <cstring>

namespace service {

int32_t CvtBlockCount(uint32_t fileSize) { return static_cast<int32_t>(update::CvtBlockCount(fileSize)); }

bool CvtHeaderMatches(const uint8_t* header) { return std::memcmp(header, kCvtMagic, kCvtMagicCompared) == 0; }

uint16_t ReadLittleEndian16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

}  // namespace service
