// The import table walk that gives a program the 98 SE personality: the DLL names rewritten in
// place (without case, others untouched, nothing else in the file changed), and every malformed or
// truncated file refused with the image left as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "emu/shim98/import_renamer.h"

namespace emu::shim98 {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A PE32 file with a header section and one data section (RVA 0x2000 at file offset 0x400) that
// holds the import descriptors at its start, a terminator, then the DLL names.
struct FakePe {
  static constexpr size_t kPe = 0x80;
  static constexpr size_t kOptional = kPe + 24;
  static constexpr uint16_t kOptionalSize = 224;
  static constexpr size_t kSectionTable = kOptional + kOptionalSize;
  static constexpr uint32_t kDataRva = 0x2000;
  static constexpr uint32_t kDataOffset = 0x400;
  static constexpr uint32_t kDataSize = 0x200;

  std::vector<uint8_t> bytes;
  std::vector<size_t> nameOffsets;

  explicit FakePe(const std::vector<std::string>& dlls, bool terminated = true) : bytes(kDataOffset + kDataSize, 0) {
    bytes[0] = 'M';
    bytes[1] = 'Z';
    Put32(bytes, 0x3C, kPe);
    Put32(bytes, kPe, 0x00004550);
    Put16(bytes, kPe + 4, 0x14C);
    Put16(bytes, kPe + 6, 1);
    Put16(bytes, kPe + 20, kOptionalSize);
    Put16(bytes, kOptional, 0x10B);
    Put32(bytes, kOptional + 92, 16);
    Put32(bytes, kOptional + 96 + 8, kDataRva);  // import directory
    Put32(bytes, kOptional + 96 + 12, static_cast<uint32_t>((dlls.size() + 1) * 20));
    Put32(bytes, kSectionTable + 8, kDataSize);
    Put32(bytes, kSectionTable + 12, kDataRva);
    Put32(bytes, kSectionTable + 16, kDataSize);
    Put32(bytes, kSectionTable + 20, kDataOffset);
    size_t name = (dlls.size() + 1) * 20;
    for (size_t i = 0; i < dlls.size(); ++i) {
      const size_t d = kDataOffset + i * 20;
      Put32(bytes, d + 12, static_cast<uint32_t>(kDataRva + name));
      Put32(bytes, d + 16, 0x3000);
      nameOffsets.push_back(kDataOffset + name);
      for (size_t k = 0; k < dlls[i].size(); ++k) bytes[kDataOffset + name + k] = static_cast<uint8_t>(dlls[i][k]);
      name += dlls[i].size() + 1;
    }
    if (!terminated) {
      // Descriptors up to the section's end, none of them all zero.
      for (size_t d = dlls.size() * 20; d + 20 <= kDataSize; d += 20) Put32(bytes, kDataOffset + d + 16, 0x3000);
    }
  }

  std::string NameAt(size_t i) const { return std::string(reinterpret_cast<const char*>(&bytes[nameOffsets[i]])); }
};

TEST(ImportRenamer, RenamesThePersonalitysDllsInPlaceWithoutCaseAndNothingElse) {
  FakePe pe({"ADVAPI32.dll", "COMCTL32.DLL", "kernel32.DLL", "msvcrt.dll", "USER32.dll"});
  const std::vector<uint8_t> before = pe.bytes;
  const RenameResult r = RenameImportedDlls(pe.bytes, PersonalityRenames());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.imported, (std::vector<std::string>{"ADVAPI32.dll", "COMCTL32.DLL", "kernel32.DLL", "msvcrt.dll", "USER32.dll"}));
  ASSERT_EQ(r.renamed.size(), 4u);
  EXPECT_EQ(r.renamed[1].from, "kernel32.DLL");
  EXPECT_EQ(r.renamed[1].to, "KERNEL98.dll");
  EXPECT_EQ(pe.NameAt(0), "ADVAPI98.dll");
  EXPECT_EQ(pe.NameAt(1), "COMCTL32.DLL");
  EXPECT_EQ(pe.NameAt(2), "KERNEL98.dll");
  EXPECT_EQ(pe.NameAt(3), "msvc98.dll");
  EXPECT_EQ(pe.NameAt(4), "USER98.dll");
  std::vector<uint8_t> expected = before;
  for (size_t i : {0u, 2u, 3u, 4u}) {
    const std::string& to = r.renamed[i == 0 ? 0 : i - 1].to;
    for (size_t k = 0; k < to.size(); ++k) expected[pe.nameOffsets[i] + k] = static_cast<uint8_t>(to[k]);
  }
  EXPECT_EQ(pe.bytes, expected) << "nothing but the names changed";
}

TEST(ImportRenamer, EveryPersonalityNameFitsWhereTheOriginalStands) {
  for (const DllRename& r : PersonalityRenames()) EXPECT_EQ(r.to.size(), r.from.size()) << r.from;
}

TEST(ImportRenamer, AShorterNameIsEndedWithZerosAndALongerOneRefused) {
  FakePe pe({"KERNEL32.dll", "GDI32.dll"});
  RenameResult r = RenameImportedDlls(pe.bytes, {{"kernel32.dll", "K.dll"}});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(pe.NameAt(0), "K.dll");
  EXPECT_EQ(pe.bytes[pe.nameOffsets[0] + 11], 0);
  EXPECT_EQ(pe.NameAt(1), "GDI32.dll");

  const std::vector<uint8_t> before = pe.bytes;
  r = RenameImportedDlls(pe.bytes, {{"GDI32.dll", "GDI32X.dll"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(pe.bytes, before);
}

struct Broken {
  const char* what;
  size_t at;
  uint32_t value;
  bool wide;
};

TEST(ImportRenamer, RefusesMalformedFilesAndLeavesThemUntouched) {
  const Broken cases[] = {
      {"no MZ", 0, 'X', false},
      {"PE header beyond the file", 0x3C, 0x7FFFFFF0, true},
      {"no PE signature", FakePe::kPe, 0x00004551, true},
      {"an unknown optional header magic", FakePe::kOptional, 0x10C, false},
      {"no import directory entry", FakePe::kOptional + 92, 1, true},
      {"import directory outside every section", FakePe::kOptional + 96 + 8, 0x9000, true},
      {"section table cut by the file's end", FakePe::kPe + 6, 30, false},
      {"a name outside every section", FakePe::kDataOffset + 12, 0x7000, true},
      {"a name running to the section's end", FakePe::kDataOffset + 12, FakePe::kDataRva + FakePe::kDataSize - 1, true},
  };
  for (const Broken& c : cases) {
    FakePe pe({"KERNEL32.dll"});
    if (c.wide) {
      Put32(pe.bytes, c.at, c.value);
    } else {
      Put16(pe.bytes, c.at, c.value);
    }
    pe.bytes.back() = 'x';  // the section's last byte: a name that starts there has no end
    const std::vector<uint8_t> before = pe.bytes;
    const RenameResult r = RenameImportedDlls(pe.bytes, PersonalityRenames());
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_FALSE(r.error.empty()) << c.what;
    EXPECT_EQ(pe.bytes, before) << c.what;
  }
}

TEST(ImportRenamer, ATableWithoutItsTerminatorIsRefused) {
  FakePe pe({"KERNEL32.dll"}, false);
  const RenameResult r = RenameImportedDlls(pe.bytes, PersonalityRenames());
  EXPECT_FALSE(r.ok);
}

TEST(ImportRenamer, TruncatedAndScrambledFilesNeverCrash) {
  const FakePe pe({"ADVAPI32.dll", "KERNEL32.dll", "USER32.dll"});
  for (size_t n = 0; n < pe.bytes.size(); ++n) {
    std::vector<uint8_t> cut(pe.bytes.begin(), pe.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    const RenameResult r = RenameImportedDlls(cut, PersonalityRenames());
    if (r.ok) {
      EXPECT_GT(n, FakePe::kDataOffset) << "cut at " << n;
    }
  }
  std::mt19937 random(17);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> scrambled = pe.bytes;
    for (int k = 0; k < 8; ++k) scrambled[random() % scrambled.size()] = static_cast<uint8_t>(random());
    RenameImportedDlls(scrambled, PersonalityRenames());
  }
}

}  // namespace
}  // namespace emu::shim98
