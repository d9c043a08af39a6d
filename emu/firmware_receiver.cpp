// Block write sequence checks. Any refusal restarts the sequence so that a host which skipped,
// repeated or changed a block cannot end up with a spliced image in flash.
#include "emu/firmware_receiver.h"

#include "emu/bytes.h"
#include "emu/checksums.h"
#include "emu/sense.h"

namespace emu {

FirmwareReceiver::Outcome FirmwareReceiver::Refuse(SenseTriple sense) {
  Reset();
  return {Kind::Refused, sense};
}

void FirmwareReceiver::Reset() {
  expected_ = 0;
  count_ = 0;
  checkA_ = 0;
  checkB_ = 0;
  image_.clear();
}

FirmwareReceiver::Outcome FirmwareReceiver::Accept(const std::array<uint8_t, 12>& cdb,
                                                   std::span<const uint8_t> block) {
  const uint16_t a = GetBe16(&cdb[1]);
  const uint16_t b = GetBe16(&cdb[3]);
  const uint8_t index = cdb[5];
  const uint8_t mode = cdb[6];
  const uint8_t count = cdb[11];
  if (GetBe16(&cdb[7]) != a || GetBe16(&cdb[9]) != b) return Refuse(kSenseInvalidField);
  if (mode != 1) return Refuse(kSenseInvalidField);
  if (count == 0 || count > kMaxFirmwareBlocks) return Refuse(kSenseInvalidField);
  if (block.size() != kFirmwareBlockSize) return Refuse(kSenseInvalidField);
  if (index != expected_) return Refuse(kSenseInvalidField);
  if (index == 0) {
    image_.clear();
    count_ = count;
    checkA_ = a;
    checkB_ = b;
  } else if (count != count_ || a != checkA_ || b != checkB_) {
    return Refuse(kSenseInvalidField);
  }
  image_.insert(image_.end(), block.begin(), block.end());
  ++expected_;
  if (expected_ < count_) return {Kind::Kept};

  const bool match = ByteSum16(image_) == checkA_ && BsdSum16(image_) == checkB_;
  expected_ = 0;
  if (!match) {
    image_.clear();
    return {Kind::Rejected, kSenseImageRejected};
  }
  return {Kind::Verified};
}

}  // namespace emu
