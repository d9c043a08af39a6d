// The SG_IO responder: the configuration's letters and their files, and each request carried out
// on its drive with the outcome the sg driver would report. Wine reads only the SCSI status, the
// residual count and the sense length back, so a time-out and a lost answer reach the program as
// GOOD with nothing moved, as they do on a real Linux host.
#include "emu/sgio/sg_responder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "emu/dll/manager_library.h"
#include "emu/dll/manager_setup.h"
#include "emu/scsi_codes.h"

namespace emu::sgio {
namespace {

constexpr uint8_t kMaxCdb = 16;

uint8_t DirectionOf(int sgDirection) {
  if (sgDirection == SG_DXFER_FROM_DEV) return kDirIn;
  if (sgDirection == SG_DXFER_TO_DEV) return kDirOut;
  return kDirNone;
}

// The request as a command-log line sees it: the log is shared with the ASPI manager's.
platform::SrbExecScsiCmd LogRecord(const sg_io_hdr_t& request) {
  platform::SrbExecScsiCmd srb{};
  srb.SRB_CDBLen = std::min<uint8_t>(request.cmd_len, kMaxCdb);
  std::memcpy(srb.CDBByte, request.cmdp, srb.SRB_CDBLen);
  const uint8_t direction = DirectionOf(request.dxfer_direction);
  srb.SRB_Flags = direction == kDirIn ? platform::kSrbDirIn : direction == kDirOut ? platform::kSrbDirOut : 0;
  srb.SRB_BufLen = direction != kDirNone ? request.dxfer_len : 0;
  return srb;
}

std::string CheckOutcome(const sg_io_hdr_t& request, const SenseBlock& sense) {
  platform::SrbExecScsiCmd srb = LogRecord(request);
  srb.SRB_Status = platform::kSsErr;
  srb.SRB_SenseLen = static_cast<uint8_t>(sense.size());
  std::memcpy(srb.SenseArea, sense.data(), sense.size());
  return dll::OutcomeOf(srb);
}

}  // namespace

std::string HostPathOf(const std::string& path) {
  const bool wineRoot = path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
                        (path[2] == '\\' || path[2] == '/');
  if (!wineRoot) return path;
  std::string host = path.substr(2);
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

SgResponder::SgResponder(const std::string& configPath) {
  dll::ParseResult parsed;
  dll::ReadConfigFile(configPath, parsed);
  errors_ = std::move(parsed.errors);
  config_ = std::move(parsed.config);
  const std::string folder = dll::DirectoryOf(configPath);
  const uint64_t start = NowMs();
  if (errors_.empty()) {
    for (const dll::TargetSpec& t : config_.targets) {
      // A letter of another class of target is a fixed disk, which Wine's pass-through never serves.
      if (t.letter == 0 || (!t.hasDrive && t.deviceType != kDeviceTypeCdrom)) continue;
      const std::string file = dll::LetterDeviceFile(folder, t.letter);
      struct stat st {};
      if (::stat(file.c_str(), &st) != 0) {
        errors_.push_back("[" + t.name + "]: no file " + file + " behind its letter");
        continue;
      }
      Letter letter;
      letter.name = t.name;
      letter.device = st.st_dev;
      letter.inode = st.st_ino;
      if (t.hasDrive) letter.drive = dll::MakeDrive(t, start);
      letters_.push_back(std::move(letter));
    }
  }
  if (errors_.empty() && !journal_.Open(config_.logPath, start)) {
    errors_.push_back("cannot write the command log " + config_.logPath);
  }
  if (!errors_.empty()) {
    letters_.clear();
    if (!configPath.empty()) dll::WriteConfigErrors(configPath, errors_);
    return;
  }
  // Every drive's files from the start, so a drive that is never updated still shows its flash.
  for (Letter& letter : letters_) {
    if (letter.drive != nullptr) letter.restartsWritten = dll::WriteDriveFiles(config_.outDir, letter.name, *letter.drive);
  }
}

uint64_t SgResponder::NowMs() const {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

bool SgResponder::Serves(dev_t device, ino_t inode) const {
  return std::any_of(letters_.begin(), letters_.end(),
                     [&](const Letter& l) { return l.device == device && l.inode == inode; });
}

void SgResponder::Log(const Letter& letter, const sg_io_hdr_t& request, const std::string& outcome) {
  journal_.Record(LogRecord(request), letter.name, outcome, NowMs());
}

void SgResponder::WriteFilesAfterRestart(Letter& letter) {
  std::lock_guard lock(filesMutex_);
  // A drive changes its flash only when it commits a verified image, and every commit restarts it.
  if (letter.drive->Restarts() != letter.restartsWritten) {
    letter.restartsWritten = dll::WriteDriveFiles(config_.outDir, letter.name, *letter.drive);
  }
}

int SgResponder::Execute(dev_t device, ino_t inode, sg_io_hdr_t& request, int& error) {
  const auto found = std::find_if(letters_.begin(), letters_.end(),
                                  [&](const Letter& l) { return l.device == device && l.inode == inode; });
  if (found == letters_.end()) {
    error = ENOTTY;
    return -1;
  }
  Letter& letter = *found;
  // What the sg driver refuses before anything reaches the device.
  const bool known = request.dxfer_direction == SG_DXFER_NONE || request.dxfer_direction == SG_DXFER_TO_DEV ||
                     request.dxfer_direction == SG_DXFER_FROM_DEV;
  if (request.interface_id != 'S') {
    error = ENOSYS;
    return -1;
  }
  if (request.cmdp == nullptr || request.cmd_len == 0 || request.cmd_len > kMaxCdb || !known ||
      (request.mx_sb_len > 0 && request.sbp == nullptr)) {
    error = EINVAL;
    return -1;
  }
  const uint8_t direction = DirectionOf(request.dxfer_direction);
  const uint32_t length = direction != kDirNone ? request.dxfer_len : 0;
  if (length > 0 && request.dxferp == nullptr) {
    error = EFAULT;
    return -1;
  }
  request.status = request.masked_status = request.msg_status = 0;
  request.host_status = request.driver_status = 0;
  request.sb_len_wr = 0;
  request.resid = 0;
  request.duration = 0;
  request.info = 0;
  if (letter.drive == nullptr) {
    Log(letter, request, "GONE");
    error = ENODEV;
    return -1;
  }

  CommandRecord cmd;
  std::memcpy(cmd.cdb.data(), request.cmdp, std::min<size_t>(request.cmd_len, cmd.cdb.size()));
  cmd.cdbLength = request.cmd_len;
  cmd.direction = direction;
  cmd.transferLength = length;
  cmd.timeoutSeconds = request.timeout / 1000;
  cmd.atMs = NowMs();
  cmd.transport = Transport::PassThrough;
  std::vector<uint8_t> dataIn(direction == kDirIn ? length : 0);
  uint8_t* data = direction == kDirIn    ? dataIn.data()
                  : direction == kDirOut ? static_cast<uint8_t*>(request.dxferp)
                                         : nullptr;
  const Drive::Result result = letter.drive->Execute(cmd, data);
  if (result.gone) {
    // The device was removed: its file answers nothing any more.
    Log(letter, request, "GONE");
    error = ENODEV;
    return -1;
  }

  const bool timedOut = result.neverCompletes || result.latencyMs > request.timeout;
  const uint32_t spentMs = timedOut ? request.timeout : result.latencyMs;
  std::this_thread::sleep_for(std::chrono::milliseconds(spentMs));
  request.duration = spentMs;
  std::string outcome;
  if (timedOut || result.transportError) {
    request.host_status = timedOut ? kHostTimeOut : kHostError;
    request.driver_status = timedOut ? kDriverTimeOut : 0;
    request.resid = static_cast<int>(length);
    request.info = SG_INFO_CHECK;
    outcome = timedOut ? "TIMEOUT" : "LOST";
  } else if (!result.good) {
    request.status = kStatusCheckCondition;
    request.masked_status = static_cast<unsigned char>(kStatusCheckCondition >> 1);
    request.driver_status = kDriverSense;
    const size_t n = std::min<size_t>(request.mx_sb_len, result.sense.size());
    std::memcpy(request.sbp, result.sense.data(), n);
    request.sb_len_wr = static_cast<unsigned char>(n);
    request.resid = static_cast<int>(length);
    request.info = SG_INFO_CHECK;
    outcome = CheckOutcome(request, result.sense);
  } else {
    const uint32_t moved = result.shortTransfer ? std::min(result.movedBytes, length) : length;
    if (direction == kDirIn && moved > 0) std::memcpy(request.dxferp, dataIn.data(), moved);
    request.resid = static_cast<int>(length - moved);
    outcome = result.shortTransfer ? "SHORT:" + std::to_string(moved) : "GOOD";
  }
  Log(letter, request, outcome);
  WriteFilesAfterRestart(letter);
  return 0;
}

}  // namespace emu::sgio
