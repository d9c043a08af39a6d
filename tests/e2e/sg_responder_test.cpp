// The SG_IO responder behind Wine's CD-ROM letters: a configuration with letters and their files,
// each request answered as the sg driver reports it (status, residual, sense, host status, errno)
// for every fault the drive can script, one command-log line per request, the drive files at
// start, and a wrong configuration that serves nothing and says why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "emu/sgio/sg_responder.h"
#include "scoped_temp_dir.h"

namespace emu::sgio {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// A scenario folder with emu.cfg and the files behind the letters it names.
class Folder {
 public:
  std::string Config(const std::string& text, const std::vector<char>& letters) {
    for (const char l : letters) std::ofstream(dir_ / (std::string("cdrom-") + l)).put('\0');
    std::ofstream(dir_ / "emu.cfg") << text;
    return (dir_ / "emu.cfg").string();
  }
  struct stat File(char letter) const {
    struct stat st {};
    ::stat((dir_ / (std::string("cdrom-") + letter)).c_str(), &st);
    return st;
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadText(dir_ / "commands.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find(" t=")));
    return lines;
  }
  const fs::path& Dir() const { return dir_; }

 private:
  testfs::ScopedTempDir folder_;
  const fs::path dir_ = folder_.path();
};

// One request as Wine builds it for IOCTL_SCSI_PASS_THROUGH_DIRECT.
struct Request {
  explicit Request(std::vector<uint8_t> command, int direction = SG_DXFER_FROM_DEV, uint32_t length = 36,
                   uint32_t timeoutMs = 15000)
      : cdb(std::move(command)), data(length, 0xEE), sense(32, 0) {
    hdr.interface_id = 'S';
    hdr.cmd_len = static_cast<unsigned char>(cdb.size());
    hdr.cmdp = cdb.data();
    hdr.dxfer_direction = direction;
    hdr.dxfer_len = length;
    hdr.dxferp = length > 0 ? data.data() : nullptr;
    hdr.mx_sb_len = static_cast<unsigned char>(sense.size());
    hdr.sbp = sense.data();
    hdr.timeout = timeoutMs;
  }
  std::vector<uint8_t> cdb;
  std::vector<uint8_t> data;
  std::vector<uint8_t> sense;
  sg_io_hdr_t hdr{};
};

const std::vector<uint8_t> kInquiry = {0x12, 0, 0, 0, 36, 0};

int Send(SgResponder& r, const struct stat& file, Request& q, int& error) {
  return r.Execute(file.st_dev, file.st_ino, q.hdr, error);
}

TEST(SgResponder, AnswersInquiryBehindEachLetterAndLogsIt) {
  Folder f;
  SgResponder r(f.Config("[drive d0]\nat 0 0\nletter E\nproduct HTL6190B\n[drive d1]\nat 0 1\nletter f\n"
                         "[drive aspi-only]\nat 0 2\n[device disk]\nat 0 3\ntype 00\nletter g\n",
                         {'e', 'f'}));
  ASSERT_TRUE(r.Errors().empty()) << r.Errors().front();
  const struct stat e = f.File('e');
  EXPECT_TRUE(r.Serves(e.st_dev, e.st_ino));
  EXPECT_TRUE(r.Serves(f.File('f').st_dev, f.File('f').st_ino));
  struct stat other {};
  ::stat(f.Dir().c_str(), &other);
  EXPECT_FALSE(r.Serves(other.st_dev, other.st_ino));

  Request q(kInquiry);
  int error = 0;
  ASSERT_EQ(Send(r, e, q, error), 0);
  EXPECT_EQ(q.hdr.status, 0);
  EXPECT_EQ(q.hdr.host_status, 0);
  EXPECT_EQ(q.hdr.resid, 0);
  EXPECT_EQ(q.hdr.sb_len_wr, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(q.data.data()) + 8, 24), "TEVOR   HTL6190B        ");

  Request tur({0x00, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(r.Execute(f.File('f').st_dev, f.File('f').st_ino, tur.hdr, error), 0);
  EXPECT_EQ(f.LogLines(), (std::vector<std::string>{"d0 120000002400 in 36 GOOD", "d1 000000000000 none 0 GOOD"}));
  // Every drive's files from the start, also for a drive without a letter.
  EXPECT_EQ(ReadText(f.Dir() / "d0.status"), "revision 1.00\nrestarts 0\n");
  EXPECT_EQ(fs::file_size(f.Dir() / "d1.flash.bin"), 2u * 1024 * 1024);
  EXPECT_FALSE(fs::exists(f.Dir() / "aspi-only.status"));
}

// Each scripted fault of the first INQUIRY, as Wine's pass-through reads it back: it keeps the
// SCSI status, the residual and the sense length, and drops the host and driver status.
TEST(SgResponder, EachFaultAsTheSgDriverReportsIt) {
  struct Case {
    const char* fault;
    uint32_t timeoutMs;
    int rc;
    int error;
    int status;
    int hostStatus;
    int resid;
    int senseLength;
    const char* outcome;
  };
  const Case cases[] = {
      {"fail 12 1 03/0C/00", 15000, 0, 0, 0x02, 0, 36, 18, "CHECK:03/0C/00"},
      {"fail 12 1 03/0C/00 carried-out", 15000, 0, 0, 0x02, 0, 36, 18, "CHECK:03/0C/00"},
      {"lose 12 1", 15000, 0, 0, 0, kHostError, 36, 0, "LOST"},
      {"never 12 1", 40, 0, 0, 0, kHostTimeOut, 36, 0, "TIMEOUT"},
      {"late 12 1 400", 40, 0, 0, 0, kHostTimeOut, 36, 0, "TIMEOUT"},
      {"late 12 1 30", 15000, 0, 0, 0, 0, 0, 0, "GOOD"},
      {"short 12 1 10", 15000, 0, 0, 0, 0, 26, 0, "SHORT:10"},
      {"short 12 1 0", 15000, 0, 0, 0, 0, 36, 0, "SHORT:0"},
      {"vanish 12 1", 15000, -1, ENODEV, 0, 0, 0, 0, "GONE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    Folder f;
    SgResponder r(f.Config(std::string("[drive d0]\nat 0 0\nletter d\n") + c.fault + "\n", {'d'}));
    ASSERT_TRUE(r.Errors().empty()) << r.Errors().front();
    Request q(kInquiry, SG_DXFER_FROM_DEV, 36, c.timeoutMs);
    int error = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(r, f.File('d'), q, error), c.rc);
    const auto spent = std::chrono::steady_clock::now() - start;
    if (c.rc != 0) {
      EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(q.hdr.status, c.status);
    EXPECT_EQ(q.hdr.host_status, c.hostStatus);
    EXPECT_EQ(q.hdr.resid, c.resid);
    EXPECT_EQ(q.hdr.sb_len_wr, c.senseLength);
    if (c.senseLength > 0) {
      EXPECT_EQ(q.sense[2], 0x03);
      EXPECT_EQ(q.sense[12], 0x0C);
      EXPECT_EQ(q.sense[13], 0x00);
    }
    // Bytes the drive did not send stay as the caller left them.
    if (c.resid > 0) {
      EXPECT_EQ(q.data[35], 0xEE);
    }
    if (c.hostStatus == kHostTimeOut) {
      EXPECT_GE(spent, std::chrono::milliseconds(c.timeoutMs));
    }
    EXPECT_EQ(f.LogLines(), std::vector<std::string>{std::string("d0 120000002400 in 36 ") + c.outcome});

    // The fault was the first INQUIRY's only; a vanished drive stays gone.
    Request next(kInquiry);
    const int rc = Send(r, f.File('d'), next, error);
    if (c.error == ENODEV) {
      EXPECT_EQ(rc, -1);
    } else {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(next.hdr.resid, 0);
    }
  }
}

TEST(SgResponder, RefusesWhatTheDriverRefusesWithoutReachingTheDrive) {
  Folder f;
  SgResponder r(f.Config("[drive d0]\nat 0 0\nletter d\n[device cd]\nat 0 1\ntype 05\nletter e\n", {'d', 'e'}));
  ASSERT_TRUE(r.Errors().empty());
  struct Case {
    const char* what;
    void (*spoil)(sg_io_hdr_t&);
    int error;
  };
  const Case cases[] = {
      {"another interface", [](sg_io_hdr_t& h) { h.interface_id = 'Q'; }, ENOSYS},
      {"no command", [](sg_io_hdr_t& h) { h.cmd_len = 0; }, EINVAL},
      {"a 17-byte command", [](sg_io_hdr_t& h) { h.cmd_len = 17; }, EINVAL},
      {"both directions", [](sg_io_hdr_t& h) { h.dxfer_direction = SG_DXFER_TO_FROM_DEV; }, EINVAL},
      {"no data buffer", [](sg_io_hdr_t& h) { h.dxferp = nullptr; }, EFAULT},
  };
  for (const Case& c : cases) {
    Request q(kInquiry);
    c.spoil(q.hdr);
    int error = 0;
    EXPECT_EQ(Send(r, f.File('d'), q, error), -1) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
  EXPECT_TRUE(f.LogLines().empty());
  // A CD-ROM letter with a target but no drive behind it answers nothing.
  Request q(kInquiry);
  int error = 0;
  EXPECT_EQ(Send(r, f.File('e'), q, error), -1);
  EXPECT_EQ(error, ENODEV);
}

TEST(SgResponder, AWrongConfigurationServesNothingAndSaysWhy) {
  Folder f;
  const std::string config = f.Config("[drive d0]\nat 0 0\nletter d\n", {});  // no file behind d
  SgResponder r(config);
  ASSERT_EQ(r.Errors().size(), 1u);
  EXPECT_NE(r.Errors()[0].find("cdrom-d"), std::string::npos);
  EXPECT_NE(ReadText(config + ".errors").find("cdrom-d"), std::string::npos);
  std::ofstream(f.Dir() / "cdrom-d").put('\0');
  EXPECT_FALSE(r.Serves(f.File('d').st_dev, f.File('d').st_ino));

  SgResponder unset("");
  EXPECT_FALSE(unset.Errors().empty());
}

TEST(SgResponder, HostPathOfWinePaths) {
  EXPECT_EQ(HostPathOf("Z:\\work\\run\\emu.cfg"), "/work/run/emu.cfg");
  EXPECT_EQ(HostPathOf("z:/work/emu.cfg"), "/work/emu.cfg");
  EXPECT_EQ(HostPathOf("/work/emu.cfg"), "/work/emu.cfg");
  EXPECT_EQ(HostPathOf("C:\\emu.cfg"), "C:\\emu.cfg");  // not the host's root: left alone
  EXPECT_EQ(HostPathOf("Z:"), "Z:");
}

}  // namespace
}  // namespace emu::sgio
