// A platform::Profile for the loader tests: writes go into the shared event log, reads give defaults.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace fixture {

class RecordingProfile final : public platform::Profile {
 public:
  explicit RecordingProfile(std::vector<std::string>& events) : events_(events) {}

  uint32_t GetPrivateProfileIntA(const char*, const char*, int32_t defaultValue, const char*) override {
    return static_cast<uint32_t>(defaultValue);
  }
  uint32_t GetPrivateProfileStringA(const char*, const char*, const char*, char* buffer, uint32_t size,
                                    const char*) override {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                 const char* fileName) override {
    events_.push_back(std::string("write [") + section + "] " + key + "=" + value + " to " + fileName);
    return 1;
  }
  uint32_t GetCurrentDirectoryA(uint32_t, char*) override { return 0; }

 private:
  std::vector<std::string>& events_;
};

}  // namespace fixture
