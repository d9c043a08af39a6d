// The class library's exceptions: Exception is the base class that the program entry hands to
// the application's standard exception display.
#pragma once

#include <stdexcept>
#include <string>

namespace ui {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// An index outside a list (controls, components, status panels).
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A property value that the control cannot take (e.g. a progress range whose minimum exceeds its
// maximum).
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace ui
