// Start-up and the loader together on a real FLASH.INI: the path read at start-up is written back by
// the loader to FLASH.INI in the start-up directory, whole also when it is longer than 127 characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cvt_fixture.h"
#include "scoped_temp_dir.h"
#include "service/cvt_loader.h"
#include "settings/ini_profile.h"
#include "settings/startup_settings.h"

namespace {

TEST(LoaderAtStartup, RewritesThePathItWasGiven) {
  struct Case {
    const char* name;
    std::string storedPath;
    std::string rewrittenPath;
    std::vector<std::string> messages;
  };
  const std::string longPath = "C:\\" + std::string(140, 'q') + ".CVT";
  const Case cases[] = {
      {"same path", "C:\\FW\\DVD.CVT", "C:\\FW\\DVD.CVT", {}},
      {"missing file", "C:\\FW\\GONE.CVT", "C:\\FW\\GONE.CVT", {"Read NG"}},
      // Read whole, so written back whole: the user's path is not lost.
      {"longer than 127 characters", longPath, longPath, {"Read NG"}},
  };
  for (const Case& c : cases) {
    testfs::ScopedTempDir dir;
    testfs::ScopedCurrentDirectory inside(dir.path());
    const std::string before = "[FLASHROM]\r\nCHECKSUM=17\r\n[FIRMWARE]\r\nPATH=" + c.storedPath + "\r\n[X]\r\ny=1\r\n";
    testfs::WriteText(dir.path() / "FLASH.INI", before);

    settings::IniProfile profile;
    std::vector<std::string> events;
    fixture::FakeFileIo files(events);
    files.AddFile("C:\\FW\\DVD.CVT", fixture::MakeCvt(2));
    std::vector<std::string> messages;
    int flashEnabled = 0;
    service::CvtLoader loader(files, profile, {[&](const std::string& m) { messages.push_back(m); },
                                               [&] { ++flashEnabled; }});

    const settings::StartupSettings read = settings::ReadStartupSettings(profile, 1, nullptr);
    ASSERT_FALSE(read.firmwarePath.empty()) << c.name;
    loader.LoadAndVerify(read.firmwarePath, read.startupDirectory);

    EXPECT_EQ(messages, c.messages) << c.name;
    EXPECT_EQ(flashEnabled, c.messages.empty() ? 1 : 0) << c.name;
    const std::string after = "[FLASHROM]\r\nCHECKSUM=17\r\n[FIRMWARE]\r\nPATH=" + c.rewrittenPath + "\r\n[X]\r\ny=1\r\n";
    EXPECT_EQ(testfs::ReadText(dir.path() / "FLASH.INI"), after) << c.name;
  }
}

}  // namespace
