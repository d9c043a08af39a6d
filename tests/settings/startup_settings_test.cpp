// FLASH.INI at start-up and the writes of the service functions, on real files in a temporary
// current directory through the native profile functions.
#include "settings/startup_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scoped_temp_dir.h"
#include "settings/ini_profile.h"
#include "settings/settings_file.h"

namespace {

using settings::DriveOrder;
using Refreshes = std::vector<std::pair<int, int32_t>>;

const DriveOrder kIdentity{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
const char kNoFile[] = "<none>";

// Logs every profile call ("int S K file", "string S K size file", "cwd size", "write S K=V file")
// and passes it on to the native implementation.
class LoggingProfile final : public platform::Profile {
 public:
  std::vector<std::string> calls;
  std::optional<uint32_t> directoryAnswer;  // when set, GetCurrentDirectoryA answers this, copying nothing

  uint32_t GetPrivateProfileIntA(const char* s, const char* k, int32_t d, const char* f) override {
    calls.push_back(std::string("int ") + s + " " + k + " " + f);
    return inner_.GetPrivateProfileIntA(s, k, d, f);
  }
  uint32_t GetPrivateProfileStringA(const char* s, const char* k, const char* d, char* b, uint32_t n,
                                    const char* f) override {
    calls.push_back(std::string("string ") + s + " " + k + " " + std::to_string(n) + " " + f);
    return inner_.GetPrivateProfileStringA(s, k, d, b, n, f);
  }
  int WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) override {
    calls.push_back(std::string("write ") + s + " " + k + "=" + v + " " + f);
    return inner_.WritePrivateProfileStringA(s, k, v, f);
  }
  uint32_t GetCurrentDirectoryA(uint32_t n, char* b) override {
    calls.push_back("cwd " + std::to_string(n));
    return directoryAnswer ? *directoryAnswer : inner_.GetCurrentDirectoryA(n, b);
  }
  void SetIntegerReading(settings::IniProfile::IntegerReading reading) { inner_.SetIntegerReading(reading); }

 private:
  settings::IniProfile inner_;
};

class StartupSettingsTest : public ::testing::Test {
 protected:
  testfs::ScopedTempDir dir;
  testfs::ScopedCurrentDirectory inside{dir.path()};
  LoggingProfile profile;
  Refreshes refreshes;

  settings::StartupSettings Read(const std::string& ini, int driveCount) {
    if (ini != kNoFile) testfs::WriteText(dir.path() / "FLASH.INI", ini);
    return settings::ReadStartupSettings(profile, driveCount,
                                         [this](int row, int32_t device) { refreshes.emplace_back(row, device); });
  }
};

std::string Priority(const std::string& total, const std::vector<std::string>& rows) {
  std::string text = "[DRIVE_PRIORITY]\r\nTOTAL_DRIVE=" + total + "\r\n";
  for (std::size_t row = 0; row < rows.size(); ++row) {
    if (!rows[row].empty()) text += std::to_string(row) + "=" + rows[row] + "\r\n";
  }
  return text;
}

const std::string kTwoSwapped = Priority("2", {"1", "0", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1"});
const std::string kLongPath = "C:\\" + std::string(130, 'p') + ".CVT";

struct StartupCase {
  const char* name;
  std::string ini;
  int driveCount;
  uint16_t checksum;
  DriveOrder order;
  Refreshes refreshes;
  std::string path;
};

class StartupCases : public StartupSettingsTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupCases, ReadsTheFile) {
  const StartupCase& c = GetParam();
  const settings::StartupSettings read = Read(c.ini, c.driveCount);
  EXPECT_EQ(read.storedChecksum, c.checksum);
  EXPECT_EQ(read.driveOrder, c.order);
  EXPECT_EQ(refreshes, c.refreshes);
  EXPECT_EQ(read.firmwarePath, c.path);
  EXPECT_EQ(read.startupDirectory, std::filesystem::current_path().string());
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupCases,
    ::testing::Values(
        StartupCase{"NoFile", kNoFile, 2, 0, kIdentity, {}, ""},
        StartupCase{"TwoDrivesArranged", kTwoSwapped, 2, 0, {1, 0, 2, 3, 4, 5, 6, 7, 8, 9}, {{0, 1}, {1, 0}}, ""},
        StartupCase{"ThreeDrivesIgnoreIt", kTwoSwapped, 3, 0, kIdentity, {}, ""},
        StartupCase{"KeyOneMissing", Priority("2", {"1", ""}), 2, 0, {1, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {{0, 1}}, ""},
        StartupCase{"NoTotalWithNoDrives", Priority("", {}) + "0=0\r\n", 0, 0, kIdentity, {}, ""},
        StartupCase{"Checksum70000", "[FLASHROM]\r\nCHECKSUM=70000\r\n", 1, 4464, kIdentity, {}, ""},
        StartupCase{"ChecksumMinusOne", "[FLASHROM]\r\nCHECKSUM=-1\r\n", 1, 65535, kIdentity, {}, ""},
        StartupCase{"EmptyPath", "[FIRMWARE]\r\nPATH=\r\n", 1, 0, kIdentity, {}, ""},
        StartupCase{"Path", "[FIRMWARE]\r\nPATH=C:\\FW\\DVD.CVT\r\n", 1, 0, kIdentity, {}, "C:\\FW\\DVD.CVT"},
        StartupCase{"LongPathCut", "[FIRMWARE]\r\nPATH=" + kLongPath + "\r\n", 1, 0, kIdentity, {},
                    kLongPath.substr(0, 127)},
        StartupCase{"HandEditedCase", "[drive_priority]\r\ntotal_drive=2\r\n0=1\r\n[flashrom]\r\nchecksum=255\r\n", 2,
                    255, {1, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {{0, 1}}, ""}),
    [](const ::testing::TestParamInfo<StartupCase>& param) { return std::string(param.param.name); });

// A [DRIVE_PRIORITY] value that is not a device index below the drive count is taken as -1: the row
// keeps its own device and caption. TOTAL_DRIVE as given, row 1 always maps to device 0.
struct PriorityCase {
  const char* name;
  std::string total;
  std::string row0;
  int driveCount;
  bool sectionUsed;
  int32_t row0Device;  // -1: row 0 keeps device 0 and its caption
};

constexpr settings::IniProfile::IntegerReading kBothReadings[] = {settings::IniProfile::IntegerReading::Nt,
                                                                 settings::IniProfile::IntegerReading::Win9x};

// 98 SE's GetPrivateProfileIntA makes 0 of "+1", NT's makes 1: every integer setting reads the
// number on both.
TEST_F(StartupSettingsTest, PlusSignedValuesReadAlikeOnBothFamilies) {
  for (const auto reading : kBothReadings) {
    profile.SetIntegerReading(reading);
    refreshes.clear();
    const auto read = Read(Priority("+2", {"+1", "+0", "-1"}) + "[FLASHROM]\r\nCHECKSUM=+4464\r\n", 2);
    const int family = static_cast<int>(reading);
    EXPECT_EQ(read.storedChecksum, 4464) << family;
    EXPECT_EQ(read.driveOrder, (DriveOrder{1, 0, 2, 3, 4, 5, 6, 7, 8, 9})) << family;
    EXPECT_EQ(refreshes, (Refreshes{{0, 1}, {1, 0}})) << family;
  }
}

TEST_F(StartupSettingsTest, OutOfRangeAndGarbageValuesCountAsMinusOne) {
  const PriorityCase cases[] = {
      {"in range", "2", "1", 2, true, 1},
      {"device zero", "2", "0", 2, true, 0},
      {"plus sign", "2", "+1", 2, true, 1},
      {"quoted number", "2", "\"1\"", 2, true, 1},
      {"minus one", "2", "-1", 2, true, -1},
      {"the drive count", "2", "2", 2, true, -1},
      {"beyond the rows", "2", "10", 2, true, -1},
      {"largest 32-bit", "2", "2147483647", 2, true, -1},
      {"below minus one", "2", "-2", 2, true, -1},
      {"wraps to zero", "2", "4294967296", 2, true, -1},
      {"wraps to a device", "2", "4294967297", 2, true, -1},
      {"letters", "2", "abc", 2, true, -1},
      {"digits then letters", "2", "1x", 2, true, -1},
      {"hexadecimal", "2", "0x1", 2, true, -1},
      {"blank inside", "2", "1 1", 2, true, -1},
      {"only a sign", "2", "-", 2, true, -1},
      {"only a plus", "2", "+", 2, true, -1},
      {"plus then letters", "2", "+1x", 2, true, -1},
      {"blank", "2", " ", 2, true, -1},
      {"a twelfth drive", "12", "11", 12, true, -1},
      {"total with letters", "2x", "1", 2, false, -1},
      {"total wrapping to the count", "4294967298", "1", 2, false, -1},
      {"total of letters with no drives", "abc", "0", 0, false, -1},
      {"total negative", "-2", "1", 2, false, -1},
  };
  for (const auto reading : kBothReadings) {
    profile.SetIntegerReading(reading);
    for (const PriorityCase& c : cases) {
      refreshes.clear();
      const auto read = Read(Priority(c.total, {c.row0, "0"}), c.driveCount);
      if (!c.sectionUsed) {
        EXPECT_EQ(read.driveOrder, kIdentity) << c.name;
        EXPECT_TRUE(refreshes.empty()) << c.name;
        continue;
      }
      EXPECT_EQ(read.driveOrder[0], c.row0Device < 0 ? 0 : c.row0Device) << c.name;
      EXPECT_EQ(read.driveOrder[1], 0) << c.name;
      Refreshes expected;
      if (c.row0Device >= 0) expected.emplace_back(0, c.row0Device);
      expected.emplace_back(1, 0);
      EXPECT_EQ(refreshes, expected) << c.name;
    }
  }
}

TEST_F(StartupSettingsTest, ReadsInStartupOrderFromTheCurrentDirectory) {
  Read(kTwoSwapped, 2);
  std::vector<std::string> expected{"int FLASHROM CHECKSUM .\\FLASH.INI", "string FLASHROM CHECKSUM 32 .\\FLASH.INI",
                                    "int DRIVE_PRIORITY TOTAL_DRIVE .\\FLASH.INI",
                                    "string DRIVE_PRIORITY TOTAL_DRIVE 32 .\\FLASH.INI"};
  for (int row = 0; row < 10; ++row) {
    expected.push_back("int DRIVE_PRIORITY " + std::to_string(row) + " .\\FLASH.INI");
    expected.push_back("string DRIVE_PRIORITY " + std::to_string(row) + " 32 .\\FLASH.INI");
  }
  expected.push_back("cwd 260");
  expected.push_back("string FIRMWARE PATH 128 .\\FLASH.INI");
  EXPECT_EQ(profile.calls, expected);
}

TEST_F(StartupSettingsTest, NoRowKeyReadWhenTheCountDiffers) {
  Read(kTwoSwapped, 1);
  for (const std::string& call : profile.calls) EXPECT_EQ(call.find("DRIVE_PRIORITY 0"), std::string::npos) << call;
}

TEST_F(StartupSettingsTest, UnknownStartupDirectoryFallsBackToTheCurrentOne) {
  for (uint32_t answer : {0u, 261u, 260u}) {
    profile.directoryAnswer = answer;
    EXPECT_EQ(settings::ReadStartupDirectory(profile), "") << answer;
  }
  EXPECT_EQ(settings::LoaderIniFileName(""), ".\\FLASH.INI");
  settings::WriteFirmwarePath(profile, "", "C:\\a.cvt");
  EXPECT_EQ(testfs::ReadText(dir.path() / "FLASH.INI"), "[FIRMWARE]\r\nPATH=C:\\a.cvt\r\n");
}

TEST_F(StartupSettingsTest, ServiceWritesReadBackAtTheNextStart) {
  settings::WriteStoredChecksum(profile, 65535);
  settings::WriteDrivePriority(profile, 0, 2);
  settings::WriteDrivePriority(profile, 1, 0);
  settings::WriteDrivePriority(profile, 2, 1);
  for (int row = 3; row < 10; ++row) settings::WriteDrivePriority(profile, row, -1);
  settings::WriteTotalDrive(profile, 3);
  settings::WriteStoredChecksum(profile, 255);

  EXPECT_EQ(testfs::ReadText(dir.path() / "FLASH.INI"),
            "[FLASHROM]\r\nCHECKSUM=255\r\n[DRIVE_PRIORITY]\r\n0=2\r\n1=0\r\n2=1\r\n3=-1\r\n4=-1\r\n5=-1\r\n6=-1\r\n"
            "7=-1\r\n8=-1\r\n9=-1\r\nTOTAL_DRIVE=3\r\n");
  const auto read = Read(kNoFile, 3);
  EXPECT_EQ(read.storedChecksum, 255);
  EXPECT_EQ(read.driveOrder, (DriveOrder{2, 0, 1, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(StartupSettingsTest, LoaderWriteReachesTheStartupDirectoryAfterTheCurrentOneChanged) {
  struct Case {
    const char* name;
    const char* subdirectory;
  };
  const Case cases[] = {{"plain", "Tools"}, {"name ending in a period", "v1."}};
  for (const Case& c : cases) {
    const auto startup = dir.path() / c.subdirectory;
    std::filesystem::create_directory(startup);
    const auto elsewhere = dir.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    testfs::ScopedCurrentDirectory moved(elsewhere);
    settings::WriteFirmwarePath(profile, startup.string(), "C:\\FW\\DVD.CVT");
    EXPECT_EQ(testfs::ReadText(startup / "FLASH.INI"), "[FIRMWARE]\r\nPATH=C:\\FW\\DVD.CVT\r\n") << c.name;
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "FLASH.INI")) << c.name;
  }
}

}  // namespace
