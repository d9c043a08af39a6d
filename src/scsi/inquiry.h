// Where the identification fields sit in standard INQUIRY data: the texts the window shows for a
// drive and the model gate compares.
#pragma once

#include <cstddef>

namespace scsi {

inline constexpr std::size_t kInquiryVendorOffset = 8;     // vendor identification, 8 bytes
inline constexpr std::size_t kInquiryProductOffset = 16;   // product identification, 16 bytes
inline constexpr std::size_t kInquiryRevisionOffset = 32;  // product revision level, 4 bytes

}  // namespace scsi
