// The emulated machine: the whole platform boundary over emulated drives, for both back ends.
// Platform id, drive letters and their types, device handles and DeviceIoControl on the
// pass-through request block, the ASPI manager library, files for the loader, events, Sleep and
// the time of day, the process token and the restart, all in per-thread virtual time. Every method
// is thread-safe.
//
// Family: the machine carries out its calls as the Platform SDK documents them for one
// operating-system family. Nt (the default) is Windows 2000/XP; Consumer is Windows 98 SE, whose
// differences docs/ARCHITECTURE.md lists ("The 98 SE personality") with their sources.
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
#include "platform/desktop.h"
#include "platform/os.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/threads.h"

namespace emu {

class Machine : public platform::SystemInfo,
                public platform::FileIo,
                public platform::Library,
                public platform::Sync,
                public platform::Clock,
                public platform::Shell,
                public platform::Desktop {
 public:
  enum class Family { Nt, Consumer };
  // How a Windows version answers the desktop calls (the platform id is SetPlatformId's).
  struct DesktopSystem {
    uint32_t majorVersion = 5;
    uint32_t minorVersion = 0;
    bool executionStateExported = true;  // SetThreadExecutionState: 98 and 2000 on; not 95, NT 4
    bool powerStatusAnswers = true;      // GetSystemPowerStatus succeeds
    // IOCTL_CDROM_EXCLUSIVE_ACCESS (Vista and later); before, the request is an invalid function.
    bool exclusiveAccess = false;
    platform::SystemPowerStatus power{platform::kAcLineOnline, platform::kBatteryFlagNoBattery,
                                      platform::kUnknownByte, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
  };
  struct ExecutionStateCall {
    uint32_t thread;  // ThisThreadIndex()
    uint32_t flags;
  };

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
  static constexpr platform::Module kKernelModule = 0x7C800000;

  Machine();
  ~Machine() override;
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // References to this machine for the SCSI access layer.
  platform::ScsiPlatform Platform();
  // The whole boundary over this machine, with the test's profile (the machine keeps no INI files).
  platform::Os Os(platform::Profile& profile);

  // --- Set-up and observation -----------------------------------------------------------------
  void SetPlatformId(uint32_t id);  // default 2 (NT family)
  // Consumer also sets platform id 1 and, natively, makes every thread start of the process
  // refuse a null thread-id pointer while this machine lives (the one-machine-at-a-time rule of
  // the suites). Nt sets platform id 2.
  void SetFamily(Family family);
  Family GetFamily() const;

  // The process token and the restart. On Nt the process holds the shutdown privilege, disabled,
  // unless the test takes it away (AdjustTokenPrivileges then answers ERROR_NOT_ALL_ASSIGNED).
  void SetShutdownPrivilegeHeld(bool held);
  size_t OpenTokenHandles() const;
  std::vector<uint32_t> AcceptedRestarts() const;  // the flags of every ExitWindowsEx carried out

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

  // Desktop calls: the system's answers, the mutexes that the program's copies share (a name is
  // taken while a handle to it is open), and every SetThreadExecutionState call.
  void SetDesktopSystem(const DesktopSystem& system);
  void SetPowerStatus(const platform::SystemPowerStatus& power);
  // Another program of another user holds the name: opening it is refused with access denied.
  void HoldMutexElsewhere(const std::string& name);
  std::vector<std::string> MutexNames() const;  // every name asked for, in order
  size_t OpenMutexHandles() const;
  std::vector<ExecutionStateCall> ExecutionStateCalls() const;
  // The state the program holds: the last continuous flags it set (0 when none).
  uint32_t ContinuousExecutionState() const;
  int PowerStatusCalls() const;

  // The exclusive lock of a drive letter (with exclusiveAccess): while one handle holds it, every
  // other open of the device fails and so does every request on another handle but the state
  // query. Another program's lock, now or once the drive has received this many commands (it
  // took the lock while this program's job was under way).
  void LockByAnotherProgram(char letter, const std::string& caller);
  void LockByAnotherProgramAfterCommands(char letter, const std::string& caller, size_t commands);
  struct ExclusiveRecord {
    platform::Handle handle;
    uint32_t requestType;
    uint32_t flags;
    std::string caller;  // of a lock request
    bool succeeded;
    size_t commandsBefore;  // commands the drive had received by then
  };
  std::vector<ExclusiveRecord> ExclusiveRequests() const;  // every exclusive-access request, in order
  bool LetterLocked(char letter) const;

  // --- platform::SystemInfo -------------------------------------------------------------------
  // The platform id is SetPlatformId's, the version numbers SetDesktopSystem's.
  int GetVersionExA(platform::OsVersion* version) override;
  uint32_t GetLogicalDrives() override;
  uint32_t GetDriveTypeA(const char* rootPath) override;

  // --- platform::FileIo -----------------------------------------------------------------------
  platform::Handle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                               uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  int DeviceIoControl(platform::Handle device, uint32_t ioControlCode, void* inBuffer, uint32_t inSize,
                      void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
  int ReadFile(platform::Handle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  uint32_t GetFileSize(platform::Handle file) override;
  // The machine's files are read only, as the loader opens them; only the run log writes, and the
  // tests give it files of their own. Both calls fail with ERROR_ACCESS_DENIED.
  uint32_t SetFilePointer(platform::Handle file, int32_t distance, uint32_t moveMethod) override;
  int WriteFile(platform::Handle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) override;
  // Device, file and token handles.
  int CloseHandle(platform::Handle object) override;
  // The calling thread's, whichever interface's call set it.
  uint32_t GetLastError() override;

  // --- platform::Library ----------------------------------------------------------------------
  platform::Module LoadLibraryA(const char* fileName) override;
  // KERNEL32.DLL only, whose GetProcAddress finds SetThreadExecutionState when the desktop
  // exports it.
  platform::Module GetModuleHandleA(const char* moduleName) override;
  void* GetProcAddress(platform::Module module, const char* procName) override;
  int FreeLibrary(platform::Module module) override;

  // --- platform::Sync -------------------------------------------------------------------------
  platform::Handle CreateEventA(bool manualReset, bool initialState) override;
  int SetEvent(platform::Handle event) override;
  int ResetEvent(platform::Handle event) override;
  uint32_t WaitForSingleObject(platform::Handle object, uint32_t milliseconds) override;
  int CloseEvent(platform::Handle event) override;

  // --- platform::Desktop ------------------------------------------------------------------------
  platform::Handle CreateMutexA(bool initialOwner, const char* name) override;
  int CloseMutex(platform::Handle mutex) override;
  int GetSystemPowerStatus(platform::SystemPowerStatus* status) override;
  uint32_t SetThreadExecutionState(void* entry, uint32_t flags) override;

  // --- platform::Clock ------------------------------------------------------------------------
  void Sleep(uint32_t milliseconds) override;
  // 10 December 2026, a Thursday, at the calling thread's virtual time of day (SetTimeOfDayBase);
  // milliseconds 0.
  void GetLocalTime(platform::SystemTime* time) override;

  // --- platform::Shell ------------------------------------------------------------------------
  // The token calls. ExitWindowsEx is recorded, never carried out; Exit is recorded too and returns.
  int OpenProcessToken(uint32_t desiredAccess, platform::Handle* token) override;
  int LookupPrivilegeValueA(const char* name, platform::Luid* luid) override;
  int AdjustTokenPrivileges(platform::Handle token, const platform::Luid& luid, uint32_t attributes) override;
  int CloseToken(platform::Handle token) override;  // CloseHandle above
  int ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  void Exit(int code) override;
  std::vector<int> ExitCodes() const;

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
  void SetLastErrorLocked(uint32_t error);
  // The thread-start rule of the family (machine_family_threads*.cpp: natively only).
  static void ApplyThreadRule(Family family);

  void* KernelProcAddress(const char* procName);
  // With mutex_ held.
  int ExclusiveAccessLocked(const std::shared_ptr<Drive>& drive, platform::Handle handle, const void* inBuffer,
                            uint32_t inSize, void* outBuffer, uint32_t outSize, uint32_t* bytesReturned);
  bool LockedAgainstLocked(const Drive* drive, platform::Handle handle) const;
  void ApplyForeignLocksLocked(const Drive* drive);

  struct ExclusiveOwner {
    platform::Handle handle;  // kForeignOwner: another program
    std::string caller;
  };
  struct PendingForeignLock {
    const Drive* drive;
    std::string caller;
    size_t commands;
  };
  static constexpr platform::Handle kForeignOwner = -2;
  std::map<const Drive*, ExclusiveOwner> exclusiveLocks_;
  std::vector<PendingForeignLock> pendingForeignLocks_;
  std::vector<ExclusiveRecord> exclusiveRequests_;

  mutable platform::Lock mutex_;
  DesktopSystem desktop_;
  std::map<platform::Handle, std::string> mutexHandles_;
  std::vector<std::string> mutexNames_;
  std::vector<std::string> foreignMutexes_;
  std::vector<ExecutionStateCall> executionStates_;
  uint32_t continuousState_ = 0;
  int powerStatusCalls_ = 0;
  uint32_t platformId_ = platform::kPlatformWin32NT;
  Family family_ = Family::Nt;
  std::map<platform::Handle, uint32_t> tokens_;  // open token handles and their access
  bool shutdownPrivilegeHeld_ = true;
  bool shutdownPrivilegeEnabled_ = false;
  std::vector<uint32_t> acceptedRestarts_;
  std::vector<int> exitCodes_;
  std::map<platform::ThreadId, uint32_t> lastErrors_;
  std::map<char, Letter> letters_;
  std::vector<OpenRecord> opens_;
  std::map<platform::Handle, DeviceHandle> devices_;
  std::map<std::string, File> files_;  // key: upper-cased path
  std::map<platform::Handle, FileHandle> fileHandles_;
  std::vector<SleepRecord> sleeps_;
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
