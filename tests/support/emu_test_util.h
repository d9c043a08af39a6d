// Helpers of the emulator's tests: the command blocks a host sends (named builders from
// templates with big-endian fields), a direct call on a drive, and firmware images with matching
// check words.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "emu/bytes.h"
#include "emu/checksums.h"
#include "emu/drive.h"
#include "emu/firmware_receiver.h"
#include "emu/sense.h"
#include "platform/scsi_records.h"

namespace emu::test {

using Cdb = std::array<uint8_t, 12>;

constexpr Cdb kInquiryTemplate{0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kTestUnitReadyTemplate{};
constexpr Cdb kStartStopTemplate{0x1B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kReadFlashTemplate{0xA0, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kWriteParameterTemplate{0xA0, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Cdb kWriteBlockTemplate{0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

inline Cdb InquiryCdb(uint8_t allocation) {
  Cdb cdb = kInquiryTemplate;
  cdb[4] = allocation;
  return cdb;
}

inline Cdb TestUnitReadyCdb() { return kTestUnitReadyTemplate; }

inline Cdb StartStopCdb(uint8_t p) {
  Cdb cdb = kStartStopTemplate;
  cdb[4] = p;
  return cdb;
}

inline Cdb ReadFlashCdb(uint32_t address, uint16_t length) {
  Cdb cdb = kReadFlashTemplate;
  cdb[2] = 0x0A;
  PutBe32(&cdb[6], address);
  PutBe16(&cdb[10], length);
  return cdb;
}

inline Cdb WriteParameterCdb(uint8_t code, uint16_t parameter, uint16_t length, std::array<uint8_t, 4> value) {
  Cdb cdb = kWriteParameterTemplate;
  cdb[2] = code;
  PutBe16(&cdb[4], parameter);
  for (int i = 0; i < 4; ++i) cdb[6 + i] = value[i];
  PutBe16(&cdb[10], length);
  return cdb;
}

inline Cdb UnlockParameterCdb() { return WriteParameterCdb(0xAE, 0x005F, 4, {0, 0, 0, 0}); }

inline Cdb WriteBlockCdb(uint16_t a, uint16_t b, uint8_t index, uint8_t count, uint8_t mode = 1) {
  Cdb cdb = kWriteBlockTemplate;
  PutBe16(&cdb[1], a);
  PutBe16(&cdb[3], b);
  cdb[5] = index;
  cdb[6] = mode;
  PutBe16(&cdb[7], a);
  PutBe16(&cdb[9], b);
  cdb[11] = count;
  return cdb;
}

inline uint8_t DirectionOf(const Cdb& cdb) {
  switch (cdb[0]) {
    case 0x12: return 8;
    case 0xFA: return 16;
    case 0xA0: return cdb[1] == 0x15 ? 8 : 0;
    default: return 0;
  }
}

// One command straight to a drive, as a transport would hand it over.
inline Drive::Result Exec(Drive& drive, const Cdb& cdb, uint8_t* data = nullptr, uint32_t length = 0,
                         uint64_t atMs = 0, uint8_t direction = 0xFF) {
  CommandRecord cmd;
  cmd.cdb = cdb;
  cmd.cdbLength = 12;
  cmd.direction = direction == 0xFF ? (length > 0 ? DirectionOf(cdb) : 0) : direction;
  cmd.transferLength = length;
  cmd.timeoutSeconds = 15;
  cmd.atMs = atMs;
  return drive.Execute(cmd, data);
}

inline SenseTriple TripleOf(const Drive::Result& r) { return {r.sense[2], r.sense[12], r.sense[13]}; }

// Names parameterised cases by their name field.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};

// count blocks of deterministic bytes and the check words that make them verify.
struct TestImage {
  std::vector<uint8_t> bytes;
  uint16_t a;
  uint16_t b;
  uint8_t count;
  const uint8_t* Block(int i) const { return bytes.data() + static_cast<size_t>(i) * kFirmwareBlockSize; }
};

inline TestImage MakeImage(uint8_t count, uint32_t seed = 7) {
  TestImage image{std::vector<uint8_t>(static_cast<size_t>(count) * kFirmwareBlockSize), 0, 0, count};
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& byte : image.bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  image.a = ByteSum16(image.bytes);
  image.b = BsdSum16(image.bytes);
  return image;
}

// Sends block i of the image; the block's data pointer is const for the host but the drive
// interface takes a mutable one, as the platform records do.
inline Drive::Result SendBlock(Drive& drive, const TestImage& image, int i, uint64_t atMs = 0) {
  return Exec(drive, WriteBlockCdb(image.a, image.b, static_cast<uint8_t>(i), image.count),
             const_cast<uint8_t*>(image.Block(i)), kFirmwareBlockSize, atMs);
}

// An execute request as the host fills it, notifying through the given event.
inline platform::SrbExecScsiCmd ExecSrb(int adapter, int target, const Cdb& cdb, uint8_t* data, uint32_t length,
                                        uint8_t direction, platform::Handle event) {
  platform::SrbExecScsiCmd srb{};
  srb.SRB_Cmd = platform::kScExecScsiCmd;
  srb.SRB_HaId = static_cast<uint8_t>(adapter);
  srb.SRB_Target = static_cast<uint8_t>(target);
  srb.SRB_Flags = static_cast<uint8_t>(direction | platform::kSrbEventNotify);
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = data;
  srb.SRB_SenseLen = 32;
  srb.SRB_CDBLen = 12;
  srb.SRB_PostProc = reinterpret_cast<void*>(event);
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  return srb;
}

}  // namespace emu::test
