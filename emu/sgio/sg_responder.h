// The emulated drives behind Wine's CD-ROM letters: answers the Linux SG_IO requests that Wine's
// pass-through sends on the file behind each letter, from the drives of the emulated ASPI
// manager's configuration file, with the same command log and drive files. Test equipment for
// runs of the real program on the pass-through back end, never part of the product.
#pragma once

#include <scsi/sg.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emu/dll/command_journal.h"
#include "emu/dll/emu_config.h"
#include "emu/drive.h"
#include "platform/threads.h"

namespace emu::sgio {

// What the kernel's SCSI generic driver reports besides the SCSI status (Linux SCSI generic
// documentation): the host adapter's and the driver's own codes.
inline constexpr uint16_t kHostTimeOut = 0x03;      // DID_TIME_OUT
inline constexpr uint16_t kHostError = 0x07;        // DID_ERROR: the transport lost the answer
inline constexpr uint16_t kDriverTimeOut = 0x06;    // DRIVER_TIMEOUT
inline constexpr uint16_t kDriverSense = 0x08;      // DRIVER_SENSE: sense data was written

// The host path of a path as the program's environment holds it: Wine's "Z:\dir\file" is the
// host's "/dir/file"; anything else is taken as a host path already.
std::string HostPathOf(const std::string& path);

class SgResponder {
 public:
  // configPath: a host path. Problems go to configPath + ".errors"; then no file is served.
  explicit SgResponder(const std::string& configPath);
  SgResponder(const SgResponder&) = delete;
  SgResponder& operator=(const SgResponder&) = delete;

  // The file (device and inode) behind one of the configuration's letters.
  bool Serves(dev_t device, ino_t inode) const;

  // Carries out one SG_IO request on that file as the sg driver would, in the calling thread,
  // taking the drive's latency in real time. Returns the ioctl's result: 0, or -1 with error set
  // (ENODEV once the drive is gone, EINVAL for a request the driver refuses).
  int Execute(dev_t device, ino_t inode, sg_io_hdr_t& request, int& error);

  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  struct Letter {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
    std::shared_ptr<Drive> drive;  // null for a [device] section: nothing answers
    int restartsWritten = 0;
  };
  uint64_t NowMs() const;
  void Log(const Letter& letter, const sg_io_hdr_t& request, const std::string& outcome);
  void WriteFilesAfterRestart(Letter& letter);

  dll::LibraryConfig config_;
  std::vector<std::string> errors_;
  dll::CommandJournal journal_;
  std::vector<Letter> letters_;
  platform::Lock filesMutex_;  // the drive files of all letters
};

}  // namespace emu::sgio
