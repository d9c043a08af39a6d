// The emulated machine: the whole platform boundary over emulated drives, for both back ends.
// Platform id, drive letters and their types, device handles and DeviceIoControl on the
// pass-through request block, the ASPI manager library, files for the loader, events, Sleep and
// the time of day, all in per-thread virtual time. Every method is thread-safe.
//
// Virtual time: each thread has its own clock (ms), starting at the clock base on the thread's
// first use. Sleep, pass-through commands and timed-out waits move the calling thread's clock;
// a wait that ends signalled raises it to the signal time. Nothing sleeps in real time unless
// SetRealTimeLatency(true) asks for it (benchmarks).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emu/aspi_host.h"
#include "emu/aspi_manager.h"
#include "emu/drive.h"
#include "emu/event_table.h"
#include "emu/thread_clocks.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace emu {

class Machine : public platform::SystemInfo,
                public platform::FileIo,
                public platform::Library,
                public platform::Sync,
                public platform::Clock {
 public:
  struct OpenRecord {
    std::string path;
    uint32_t access;
    uint32_t share;
    uint32_t disposition;
    uint32_t flags;
    platform::Handle result;
  };
  struct SleepRecord {
    uint32_t thread;  // ThisThreadIndex() of the sleeping thread
    uint32_t ms;
    uint64_t atMs;    // the sleeping thread's clock when the sleep began
  };

  static constexpr platform::Module kAspiModule = 0x10000000;

  Machine();
  ~Machine() override;
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // References to this machine for the SCSI access layer.
  platform::ScsiPlatform Platform();

  // --- Set-up and observation -----------------------------------------------------------------
  void SetPlatformId(uint32_t id);  // default 2 (NT family)

  // Pass-through: a drive letter with its GetDriveTypeA answer; with a drive it can be opened.
  void AddLetter(char letter, uint32_t driveType, std::shared_ptr<Drive> drive = nullptr);
  // CreateFileA of the letter's device fails with this GetLastError: access denied (a limited
  // account), a sharing violation (another program holds the drive), ...
  void FailOpen(char letter, uint32_t error = platform::kErrorAccessDenied);
  // The AlignmentMask of the letter's adapter (default 0): IOCTL_SCSI_GET_CAPABILITIES reports it,
  // and the pass-through refuses a data buffer that does not meet it (ERROR_INVALID_PARAMETER).
  void SetAlignmentMask(char letter, uint32_t mask);
  // IOCTL_SCSI_GET_CAPABILITIES fails on the letter's device (the mask is still enforced).
  void FailCapabilities(char letter);
  std::vector<OpenRecord> Opens() const;  // every CreateFileA call, in order
  size_t OpenDeviceHandles() const;

  // Files for CreateFileA/ReadFile/GetFileSize (paths compare case-insensitively).
  void AddFile(std::string path, std::vector<uint8_t> bytes);
  std::vector<uint8_t> FileBytes(const std::string& path) const;
  void FailReadAt(const std::string& path, uint32_t offset);  // a ReadFile covering offset fails
  size_t OpenFileHandles() const;

  // ASPI manager library.
  void SetAspi(const AspiOptions& options);
  int AddAspiAdapter();
  void AddAspiTarget(int adapter, int target, uint8_t deviceType, std::shared_ptr<Drive> drive = nullptr);
  int FreeLibraryCalls() const;
  bool AspiLoaded() const;
  size_t HeldAspiRequests() const;  // pending requests not yet completed or aborted

  // Time and events.
  uint64_t NowMs() const;  // the calling thread's clock
  std::vector<uint32_t> SleepsOfThisThread() const;
  std::vector<SleepRecord> Sleeps() const;  // every thread's, in the order they happened
  uint32_t ThisThreadIndex() const;
  void SetClockBase(uint64_t ms);  // start time of clocks that threads create from now on
  void SetTimeOfDayBase(uint32_t seconds);
  void SetRealTimeLatency(bool on);  // benchmarks: drive latencies also take real time
  size_t LiveEvents() const;

  // --- platform::SystemInfo -------------------------------------------------------------------
  uint32_t GetVersionPlatformId() override;
  uint32_t GetLogicalDrives() override;
  uint32_t GetDriveTypeA(const char* rootPath) override;

  // --- platform::FileIo -----------------------------------------------------------------------
  platform::Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                               uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  int DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                      void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
  int ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  uint32_t GetFileSize(platform::Handle file) override;
  int CloseHandle(platform::Handle object) override;
  uint32_t GetLastError() override;  // the calling thread's

  // --- platform::Library ----------------------------------------------------------------------
  platform::Module LoadLibraryA(const char* fileName) override;
  void* GetProcAddress(platform::Module module, const char* procName) override;
  int FreeLibrary(platform::Module module) override;

  // --- platform::Sync -------------------------------------------------------------------------
  platform::Handle CreateEventA(bool manualReset, bool initialState) override;
  int SetEvent(platform::Handle event) override;
  int ResetEvent(platform::Handle event) override;
  uint32_t WaitForSingleObject(platform::Handle object, uint32_t milliseconds) override;
  int CloseEvent(platform::Handle event) override;

  // --- platform::Clock ------------------------------------------------------------------------
  void Sleep(uint32_t milliseconds) override;
  uint32_t TimeOfDaySeconds() override;

 private:
  struct Letter {
    uint32_t driveType = 0;
    std::shared_ptr<Drive> drive;
    uint32_t openError = 0;  // 0: the device opens
    uint32_t alignmentMask = 0;
    bool failCapabilities = false;
  };
  struct DeviceHandle {
    std::shared_ptr<Drive> drive;
    uint32_t access;
    char letter;
  };
  struct File {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    std::optional<uint32_t> failReadAt;
  };
  struct FileHandle {
    File file;
    uint32_t access;
    uint32_t position;
  };
  // The manager's view of this machine.
  class Host : public AspiHost {
   public:
    explicit Host(Machine& machine) : machine_(machine) {}
    uint64_t NowMs() override;
    uint64_t ThreadKey() override;
    void AdvanceMs(uint64_t ms) override;
    bool IsEvent(platform::Handle event) override;
    void ScheduleEvent(platform::Handle event, uint64_t atMs) override;
    void ScheduleEventNever(platform::Handle event) override;
    void UnscheduleEvent(platform::Handle event) override;
    void SignalEvent(platform::Handle event, uint64_t atMs) override;
    bool RealTimeLatency() override;

   private:
    Machine& machine_;
  };

  // Moves the calling thread's clock and completes its ASPI requests that are due by then.
  void AdvanceThisThread(uint64_t ms);
  void SetLastError(uint32_t error);
  int GetCapabilities(const Letter& letter, void* outBuffer, uint32_t outSize, uint32_t* bytesReturned);
  platform::Handle CreateDeviceHandle(const std::string& path, uint32_t access, uint32_t disposition);
  platform::Handle CreateFileHandle(const std::string& path, uint32_t access, uint32_t disposition);

  mutable platform::Lock mutex_;
  uint32_t platformId_ = platform::kPlatformWin32NT;
  std::map<char, Letter> letters_;
  std::vector<OpenRecord> opens_;
  std::map<platform::Handle, DeviceHandle> devices_;
  std::map<std::string, File> files_;  // key: upper-cased path
  std::map<platform::Handle, FileHandle> fileHandles_;
  std::vector<SleepRecord> sleeps_;
  std::map<uint32_t, uint32_t> lastErrors_;  // by ThreadIndex()
  int aspiRefs_ = 0;
  int freeLibraryCalls_ = 0;
  std::atomic<uint32_t> timeOfDayBase_{0};
  std::atomic<bool> realTimeLatency_{false};

  std::atomic<platform::Handle> nextHandle_{0x100};
  ThreadClocks clocks_;
  EventTable events_{nextHandle_};
  Host host_{*this};
  AspiManager aspi_{host_};  // last: its thread uses the members above until it is stopped
};

}  // namespace emu
