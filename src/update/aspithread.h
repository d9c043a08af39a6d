// Unit Aspithread: AspiExec, the worker thread that updates one drive. The window creates one per
// device index, suspended, and hands it a job: identify the drive by INQUIRY, refuse it unless it
// is of an accepted model, eject, write the embedded image block by block, wait for the restart,
// optionally read the flash checksum back, close, and suspend again.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "platform/platform.h"
#include "platform/threads.h"
#include "platform/tthread.h"
#include "scsi/exclusive_lock.h"
#include "scsi/types.h"
#include "update/drive_table.h"
#include "update/firmware_image.h"
#include "update/job_record.h"

namespace scsi {
class ScsiLayer;
}

namespace update {

using FlashResult = int32_t;
inline constexpr FlashResult kFlashDone = 0;
inline constexpr FlashResult kFlashFailed = 1;
inline constexpr FlashResult kFlashWrongDrive = 3;
inline constexpr FlashResult kFlashNoJobYet = -1;  // before the first job has set an outcome

// The worker's waits, which tests hold it at and check it by: a pause after each accepted block,
// and the drive's restart on its new firmware after the last block, one minute in all in two parts.
inline constexpr uint32_t kBlockPauseMs = 10;
inline constexpr uint32_t kRestartWaitFirstMs = 3000;
inline constexpr uint32_t kRestartWaitRestMs = 57000;

class AspiExec : public platform::TThread {
 public:
  // Created suspended, at normal priority, on device index 0 until the window sets its own.
  AspiExec(scsi::ScsiLayer& layer, platform::Clock& clock, DriveTable& drives,
           const FirmwareImage& image = kEmbeddedImage);
  // Waits for a running job to end, then ends the thread (the window never frees its workers;
  // tests do).
  ~AspiExec() override;

  // The window's side, while the worker is suspended.
  void SetDeviceIndex(int32_t index) { deviceIndex_.store(index, std::memory_order_release); }
  int32_t DeviceIndex() const { return deviceIndex_.load(std::memory_order_acquire); }

  // The job hand-off: entry index, checksum wanted, go flag, resume. A worker still busy with an
  // earlier job (go flag still set) is left alone and false is returned; a worker that has just
  // cleared its go flag is waited for until it has suspended itself, so the resume is not lost.
  // A reference asks for the read-back as well, and the worker judges what it reads against it
  // (JobRecord::verification).
  bool StartJob(int32_t entryIndex, bool checksumWanted, std::optional<uint16_t> reference = std::nullopt);

  // Complete values at any time; after WaitJobEnd() the final ones of the job.
  bool Go() const { return go_.load(std::memory_order_acquire) != 0; }
  FlashResult Outcome() const { return outcome_.load(std::memory_order_acquire); }
  uint16_t Checksum() const { return checksum_.load(std::memory_order_acquire); }
  int32_t EntryIndex() const { return entryIndex_.load(std::memory_order_acquire); }
  bool ChecksumWanted() const { return checksumWanted_.load(std::memory_order_acquire); }

  // Blocks until the go flag is clear (no job pending or running).
  void WaitJobEnd() const;

  // The last job's record; read it only while Go() is false (the worker writes it during a job).
  const JobRecord& LastJob() const { return record_; }

 protected:
  void Execute() override;

 private:
  // What a failed parameter write leaves for the log, should the first block fail after it.
  struct ParameterWrite {
    bool failed = false;
    scsi::SenseCode sense = 0;
  };

  bool WaitForGo();
  void RunJob();
  // The job's steps, in their order; FlashDrive runs them after identification.
  bool Identify(int32_t entry, uint8_t* inquiry);
  void FlashDrive(int32_t entry, const uint8_t* inquiry);
  ParameterWrite WriteBlockParameter();
  void RefuseDrive(int32_t entry);
  bool AwaitReadiness();
  // Takes the drive's exclusive lock where the system has one; false when another program holds
  // it (the job has failed then, and nothing is sent to the drive).
  bool LockDrive();
  void EjectMedium();
  void WriteBlocks(const ParameterWrite& parameter);
  bool RestartedOnLastBlock(bool lastBlock);
  void FailBlock(int32_t block, const ParameterWrite& parameter);
  void WaitForRestart();
  void ReadChecksumBack();
  void SetOutcome(FlashResult result) { outcome_.store(result, std::memory_order_release); }

  scsi::ScsiLayer& layer_;
  platform::Clock& clock_;
  DriveTable& drives_;
  const FirmwareImage& image_;

  std::atomic<int32_t> deviceIndex_{0};
  std::atomic<uint8_t> go_{0};
  scsi::DeviceRef ref_ = scsi::kClosedRef;  // the worker's own
  // Held from before the readiness test to the close, on every path.
  scsi::ExclusiveLock lock_;
  std::atomic<FlashResult> outcome_{kFlashNoJobYet};
  std::atomic<uint16_t> checksum_{0};
  std::atomic<bool> checksumWanted_{false};
  std::atomic<int32_t> entryIndex_{0};
  // Written by StartJob while the worker is suspended and read by the job after the go flag, which
  // orders the two; no one else reads it.
  std::optional<uint16_t> reference_;
  JobRecord record_;

  mutable platform::Lock goMutex_;
  mutable platform::WakeSignal goChanged_;
};

}  // namespace update
