// The emulated drive's command handlers: INQUIRY, TEST UNIT READY, START STOP UNIT and the vendor
// commands ReadFlash (A0/15), WriteParameter (A0/14) and WriteFirmwareBlock (FA).
// Every handler checks that the host's data phase is exactly what the command moves, so a wrong
// direction or length fails the command (05/24/00) instead of passing unnoticed.
#include <algorithm>
#include <cstring>
#include <span>

#include "emu/bytes.h"
#include "emu/drive.h"
#include "emu/old_firmware.h"
#include "emu/scsi_codes.h"

namespace emu {
namespace {

constexpr size_t kStandardInquirySize = 36;
constexpr uint8_t kReadFlashMagic = 0x0A;
constexpr uint8_t kParameterCode = 0xAE;
constexpr uint16_t kParameterUnlock = 0x005F;

Drive::Result Good() { return Drive::Result{}; }

Drive::Result Fail(SenseTriple sense) {
  Drive::Result r;
  r.good = false;
  r.sense = FixedSense(sense);
  return r;
}

bool DataPhaseMatches(const CommandRecord& cmd, const uint8_t* data, uint8_t direction, uint32_t length) {
  if (length == 0) return cmd.transferLength == 0;
  return cmd.direction == direction && cmd.transferLength == length && data != nullptr;
}

void PutPadded(std::vector<uint8_t>& out, size_t offset, size_t width, const std::string& text) {
  for (size_t i = 0; i < width; ++i) out[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

}  // namespace

std::vector<uint8_t> Drive::StandardInquiry() const {
  std::vector<uint8_t> data(kStandardInquirySize, 0);
  data[0] = kDeviceTypeCdrom;
  data[1] = 0x80;  // removable medium
  data[3] = 0x02;  // response data format
  data[4] = static_cast<uint8_t>(kStandardInquirySize - 5);
  PutPadded(data, 8, 8, config_.vendor);
  PutPadded(data, 16, 16, config_.product);
  PutPadded(data, 32, 4, revision_);
  return data;
}

Drive::Result Drive::Inquiry(const CommandRecord& cmd, uint8_t* data) {
  if ((cmd.cdb[1] & 0x01) != 0 || cmd.cdb[2] != 0) return Fail(kSenseInvalidField);  // no VPD pages
  const uint16_t allocation = GetBe16(&cmd.cdb[3]);
  if (!DataPhaseMatches(cmd, data, kDirIn, allocation)) return Fail(kSenseInvalidField);
  const std::vector<uint8_t> answer = config_.rawInquiry.empty() ? StandardInquiry() : config_.rawInquiry;
  const size_t n = std::min<size_t>(allocation, answer.size());
  if (n > 0) std::memcpy(data, answer.data(), n);
  if (allocation > n) std::memset(data + n, 0, allocation - n);
  return Good();
}

Drive::Result Drive::TestUnitReady() {
  switch (medium_) {
    case Medium::Ready: return Good();
    case Medium::NoMedium: return Fail(kSenseNoMedium);
    case Medium::TrayClosedEmpty: return Fail(kSenseTrayClosedEmpty);
    case Medium::TrayOpen: return Fail(kSenseTrayOpen);
    case Medium::BecomingReady: return Fail(kSenseBecomingReady);
    case Medium::UnitAttention: break;  // answered before any handler runs
  }
  return Good();
}

// Byte 4: bit 1 load/eject, bit 0 start. Eject opens the tray; load closes it, and a closed tray
// holds no disc until a test scripts one.
Drive::Result Drive::StartStopUnit(const CommandRecord& cmd) {
  if (!DataPhaseMatches(cmd, nullptr, kDirNone, 0)) return Fail(kSenseInvalidField);
  const bool loadEject = (cmd.cdb[4] & 0x02) != 0;
  const bool start = (cmd.cdb[4] & 0x01) != 0;
  if (loadEject && !start) medium_ = Medium::TrayOpen;
  if (loadEject && start && medium_ == Medium::TrayOpen) medium_ = Medium::TrayClosedEmpty;
  return Good();
}

Drive::Result Drive::Vendor(const CommandRecord& cmd, uint8_t* data) {
  switch (cmd.cdb[1]) {
    case kVendorReadFlash: return ReadFlash(cmd, data);
    case kVendorWriteParameter: return WriteParameter(cmd);
    default: return Fail(kSenseInvalidField);
  }
}

// A0 15 0A 00 00 00 A3 A2 A1 A0 N1 N0, N bytes in.
Drive::Result Drive::ReadFlash(const CommandRecord& cmd, uint8_t* data) {
  if (cmd.cdb[2] != kReadFlashMagic || cmd.cdb[3] != 0 || cmd.cdb[4] != 0 || cmd.cdb[5] != 0) {
    return Fail(kSenseInvalidField);
  }
  const uint64_t address = GetBe32(&cmd.cdb[6]);
  const uint16_t length = GetBe16(&cmd.cdb[10]);
  if (address + length > flash_.size()) return Fail(kSenseInvalidField);
  if (!DataPhaseMatches(cmd, data, kDirIn, length)) return Fail(kSenseInvalidField);
  if (length > 0) std::memcpy(data, flash_.data() + address, length);
  return Good();
}

// A0 14 C 00 P1 P0 V0 V1 V2 V3 L1 L0, no data phase.
Drive::Result Drive::WriteParameter(const CommandRecord& cmd) {
  if (!DataPhaseMatches(cmd, nullptr, kDirNone, 0)) return Fail(kSenseInvalidField);
  ParameterWrite write{cmd.cdb[2], GetBe16(&cmd.cdb[4]), {cmd.cdb[6], cmd.cdb[7], cmd.cdb[8], cmd.cdb[9]},
                       GetBe16(&cmd.cdb[10])};
  parameterWrites_.push_back(write);
  if (write.code == kParameterCode && write.parameter == kParameterUnlock) parameterUnlocked_ = true;
  return Good();
}

bool Drive::IsHtl() const { return config_.product.rfind("HTL6190", 0) == 0; }

// FA A1 A0 B1 B0 X M A1 A0 B1 B0 K, 16384 bytes out.
Drive::Result Drive::WriteFirmwareBlock(const CommandRecord& cmd, const uint8_t* data) {
  if (!DataPhaseMatches(cmd, data, kDirOut, kFirmwareBlockSize)) {
    receiver_.Reset();
    return Fail(kSenseInvalidField);
  }
  if (IsHtl() && !parameterUnlocked_) {
    receiver_.Reset();
    return Fail(kSenseSequenceError);
  }
  const FirmwareReceiver::Outcome outcome =
      receiver_.Accept(cmd.cdb, std::span<const uint8_t>(data, kFirmwareBlockSize));
  switch (outcome.kind) {
    case FirmwareReceiver::Kind::Kept: return Good();
    case FirmwareReceiver::Kind::Refused:
    case FirmwareReceiver::Kind::Rejected: return Fail(outcome.sense);
    case FirmwareReceiver::Kind::Verified: break;
  }
  Restart(cmd);
  return config_.restartAnswersLastBlock ? Fail(kSensePowerOnReset) : Good();
}

}  // namespace emu
