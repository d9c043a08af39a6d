// Test equipment: wraps the emulated machine's file and library calls to keep a copy of every
// request block exactly as the SCSI layer handed it over.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "emu/machine.h"
#include "platform/platform.h"
#include "platform/scsi_records.h"

namespace scsi::testing {

class RecordingFiles : public platform::FileIo {
 public:
  explicit RecordingFiles(platform::FileIo& inner) : inner_(inner) {}
  platform::Handle CreateFileA(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                               uint32_t flags) override {
    return inner_.CreateFileA(path, access, share, disposition, flags);
  }
  int DeviceIoControl(platform::Handle device, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                      uint32_t* returned) override {
    ioctlCodes.push_back(code);
    bufferSizes.push_back({inSize, outSize});
    sameBuffer.push_back(in == out);
    if (in != nullptr && inSize == sizeof(platform::PassThroughRequest)) {
      platform::PassThroughRequest copy;
      std::memcpy(&copy, in, sizeof copy);
      sent.push_back(copy);
    }
    return inner_.DeviceIoControl(device, code, in, inSize, out, outSize, returned);
  }
  int ReadFile(platform::Handle file, void* buffer, uint32_t size, uint32_t* read) override {
    return inner_.ReadFile(file, buffer, size, read);
  }
  uint32_t GetFileSize(platform::Handle file) override { return inner_.GetFileSize(file); }
  uint32_t SetFilePointer(platform::Handle file, int32_t distance, uint32_t method) override {
    return inner_.SetFilePointer(file, distance, method);
  }
  int WriteFile(platform::Handle file, const void* buffer, uint32_t size, uint32_t* written) override {
    return inner_.WriteFile(file, buffer, size, written);
  }
  int CloseHandle(platform::Handle object) override { return inner_.CloseHandle(object); }
  uint32_t GetLastError() override { return inner_.GetLastError(); }

  std::vector<platform::PassThroughRequest> sent;
  std::vector<uint32_t> ioctlCodes;
  std::vector<std::pair<uint32_t, uint32_t>> bufferSizes;
  std::vector<bool> sameBuffer;

 private:
  platform::FileIo& inner_;
};

// Hands out its own SendASPI32Command that copies each execute request before passing it on.
// One instance at a time (the entry point is a plain C function).
class RecordingLibrary : public platform::Library {
 public:
  explicit RecordingLibrary(platform::Library& inner) : inner_(inner) { current_ = this; }
  ~RecordingLibrary() override { current_ = nullptr; }
  platform::Module LoadLibraryA(const char* name) override { return inner_.LoadLibraryA(name); }
  platform::Module GetModuleHandleA(const char* name) override { return inner_.GetModuleHandleA(name); }
  void* GetProcAddress(platform::Module module, const char* name) override {
    void* entry = inner_.GetProcAddress(module, name);
    if (entry == nullptr || std::string(name) != "SendASPI32Command") return entry;
    innerSend_ = reinterpret_cast<platform::SendAspi32CommandFn>(entry);
    return reinterpret_cast<void*>(&RecordingLibrary::Send);
  }
  int FreeLibrary(platform::Module module) override { return inner_.FreeLibrary(module); }

  std::vector<platform::SrbExecScsiCmd> sent;

 private:
  static uint32_t FLASH_CDECL Send(void* srb) {
    auto* header = static_cast<platform::SrbExecScsiCmd*>(srb);
    if (header->SRB_Cmd == platform::kScExecScsiCmd) current_->sent.push_back(*header);
    return current_->innerSend_(srb);
  }
  static inline RecordingLibrary* current_ = nullptr;
  platform::Library& inner_;
  platform::SendAspi32CommandFn innerSend_ = nullptr;
};

// An emulated machine seen through the recorders.
struct RecordedMachine {
  emu::Machine machine;
  RecordingFiles files{machine};
  RecordingLibrary library{machine};
  platform::ScsiPlatform Platform() { return {machine, files, library, machine, machine}; }
};

}  // namespace scsi::testing
