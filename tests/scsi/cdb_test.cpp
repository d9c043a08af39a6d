// Every command block the system sends, byte for byte, from the builders alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "scsi/cdb.h"

namespace scsi {
namespace {

struct CdbCase {
  std::string name;
  std::function<Cdb()> build;
  Cdb expected;
};

const uint8_t kZeroValue[4] = {0, 0, 0, 0};
const uint8_t kCountingValue[4] = {0x01, 0x02, 0x03, 0x04};

const CdbCase kCases[] = {
    {"Inquiry36", [] { return cdb::Inquiry(36); }, {0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}},
    {"Inquiry32ReplacesTemplateLength", [] { return cdb::Inquiry(32); }, {0x12, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0}},
    {"TestUnitReady", [] { return cdb::TestUnitReady(); }, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"StartStopUnitEject", [] { return cdb::StartStopUnit(2, 0); }, {0x1B, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}},
    {"StartStopUnitAnyImmediateIsOne", [] { return cdb::StartStopUnit(1, 5); },
     {0x1B, 0x01, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
    {"ReadFlashFirstChunk", [] { return cdb::ReadFlash(0, 2048); },
     {0xA0, 0x15, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x00}},
    {"ReadFlashLastChunk", [] { return cdb::ReadFlash(0x1FF800, 2048); },
     {0xA0, 0x15, 0x0A, 0, 0, 0, 0x00, 0x1F, 0xF8, 0x00, 0x08, 0x00}},
    {"ReadFlashAllAddressBytes", [] { return cdb::ReadFlash(0x12345678, 0xABCD); },
     {0xA0, 0x15, 0x0A, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD}},
    {"WriteParameterOfTheWorker", [] { return cdb::WriteParameter(0xAE, 0x005F, 4, kZeroValue); },
     {0xA0, 0x14, 0xAE, 0, 0x00, 0x5F, 0, 0, 0, 0, 0x00, 0x04}},
    {"WriteParameterValueInBufferOrder", [] { return cdb::WriteParameter(0x01, 0x1234, 0x0506, kCountingValue); },
     {0xA0, 0x14, 0x01, 0, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}},
    {"WriteFirmwareBlockFirst", [] { return cdb::WriteFirmwareBlock(0x51C4, 0xF9E1, 0, 49, 1); },
     {0xFA, 0x51, 0xC4, 0xF9, 0xE1, 0x00, 0x01, 0x51, 0xC4, 0xF9, 0xE1, 0x31}},
    {"WriteFirmwareBlockLast", [] { return cdb::WriteFirmwareBlock(0x51C4, 0xF9E1, 48, 49, 1); },
     {0xFA, 0x51, 0xC4, 0xF9, 0xE1, 0x30, 0x01, 0x51, 0xC4, 0xF9, 0xE1, 0x31}},
    {"WriteFirmwareBlockKeepsLow8BitsOfIndexAndCount", [] { return cdb::WriteFirmwareBlock(0x0102, 0x0304, 300, 257, 7); },
     {0xFA, 0x01, 0x02, 0x03, 0x04, 0x2C, 0x07, 0x01, 0x02, 0x03, 0x04, 0x01}},
};

class CdbBuild : public ::testing::TestWithParam<CdbCase> {};

TEST_P(CdbBuild, MatchesTheDocumentedBlock) { EXPECT_EQ(GetParam().build(), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(AllCommands, CdbBuild, ::testing::ValuesIn(kCases),
                         [](const auto& tp) { return tp.param.name; });

}  // namespace
}  // namespace scsi
