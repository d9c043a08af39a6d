// The sense vocabulary alone: the predicates the units judge a failure by and the log's texts,
// over codes that no emulated drive produces through a real layer (flag bits, the no-device value).
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "scsi/sense.h"

namespace scsi {
namespace {

// The readiness decision of the worker, including the no-device value.
TEST(WorkerReadiness, OnlyMediumNotPresentWithAQualifierStops) {
  const struct {
    SenseCode code;
    bool stops;
  } cases[] = {{0x023A01, true},  {0x023A02, true},  {0x023AFF, true},  {0x023A00, false},
               {0x223A01, false}, {0x023B01, false}, {0x063A01, false}, {0xFFFFFF, false},
               {0x000000, false}};
  for (const auto& c : cases) EXPECT_EQ(IsNoMediumWithQualifier(c.code), c.stops) << std::hex << c.code;
}

// The restart after the last block: any qualifier, byte 2 whole.
TEST(SensePredicates, PowerOnOrResetIsUnitAttention29WithAnyQualifier) {
  const struct {
    SenseCode code;
    bool restarted;
  } cases[] = {{0x062900, true},  {0x062901, true},  {0x0629FF, true}, {0x262900, false},
               {0x062800, false}, {0x052900, false}, {0xFFFFFF, false}, {0x000000, false}};
  for (const auto& c : cases) EXPECT_EQ(IsPowerOnOrReset(c.code), c.restarted) << std::hex << c.code;
}

// The named codes the services compare with, and the layout they are read from.
TEST(SensePredicates, NamedCodesAndTheirLayout) {
  EXPECT_EQ(kMediumNotPresent, 0x023A00u);
  EXPECT_EQ(kMediumMayHaveChanged, 0x062800u);
  uint8_t sense[kSenseDataLength] = {};
  sense[kSenseKeyByte] = 0x22;
  sense[kAscByte] = 0x3A;
  sense[kAscqByte] = 0x01;
  sense[0] = 0x70;
  EXPECT_EQ(SenseCodeOf(sense), 0x223A01u);
}

TEST(SenseText, NamesTheCodeOrFallsBackToTheKey) {
  const std::pair<SenseCode, std::string> cases[] = {
      {0x000000, "no sense"},
      {kNoDeviceSense, "no sense"},
      {0x023A00, "02/3A/00 medium not present"},
      {0x023A01, "02/3A/01 medium not present, tray closed"},
      {0x023A02, "02/3A/02 medium not present, tray open"},
      {0x030C00, "03/0C/00 write error"},
      {0x044400, "04/44/00 internal target failure"},
      {0x052400, "05/24/00 invalid field in CDB"},
      {0x062900, "06/29/00 power on, reset, or bus device reset occurred"},
      {0x020401, "02/04/01 logical unit is in process of becoming ready"},
      {0x0B0000, "0B/00/00 aborted command"},
      {0x223A00, "02/3A/00 medium not present"},  // flag bits above the key
      {0x05F1F2, "05/F1/F2 illegal request"},                    // a vendor code: the key's text
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(SenseText(code), text) << std::hex << code;
}

}  // namespace
}  // namespace scsi
