// The application object and its message loop.
#include "ui/application.h"

#include "ui/exception.h"
#include "ui/form.h"
#include "ui/message_box_flags.h"

namespace ui {

TApplication* Application = nullptr;

std::string TitleFromModulePath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

TApplication::TApplication(Backend& backend)
    : TComponent(nullptr), backend_(backend), previous_(Application) {
  SetBackend(&backend);
  title_ = TitleFromModulePath(backend.ModulePath());
  Application = this;
}

TApplication::~TApplication() {
  DestroyComponents();
  if (Application == this) Application = previous_;
}

void TApplication::Run() {
  if (mainForm_ == nullptr) return;
  mainForm_->Show();
  while (!terminated_) {
    // Only the headless back end runs out of messages: nothing more can happen then.
    if (HandleOneMessage(true) == MessageResult::NoMessage) return;
  }
}

void TApplication::ProcessMessages() {
  while (!terminated_) {
    if (HandleOneMessage(false) == MessageResult::NoMessage) return;
  }
}

MessageResult TApplication::HandleOneMessage(bool wait) {
  MessageResult result = MessageResult::Handled;
  std::exception_ptr pending;
  try {
    result = backend_.HandleMessage(wait);
  } catch (...) {
    pending = std::current_exception();
  }
  // The display itself handles messages while its box waits; what a handler throws meanwhile
  // comes out of it and is shown next, so nothing leaves the loop. A display that fails every
  // time is given up after a few rounds rather than looping for ever.
  constexpr int kDisplayRounds = 8;
  for (int round = 0; pending && round < kDisplayRounds; ++round) {
    std::exception_ptr shown = pending;
    pending = nullptr;
    try {
      try {
        std::rethrow_exception(shown);
      } catch (const std::exception& error) {
        HandleException(error);
      } catch (...) {
        HandleException(Exception("Unknown exception"));
      }
    } catch (...) {
      pending = std::current_exception();
    }
  }
  Handle(result);
  return result;
}

void TApplication::Handle(MessageResult result) {
  if (result == MessageResult::Quit) terminated_ = true;
}

void TApplication::Terminate() { backend_.PostQuit(); }

void TApplication::HandleException(const std::exception& error) {
  if (OnException) {
    auto handler = OnException;
    handler(this, error);
    return;
  }
  ShowException(error);
}

void TApplication::ShowException(const std::exception& error) {
  backend_.ShowMessageBox(error.what(), title_, kMbOk | kMbIconHand | kMbTaskModal);
}

void TApplication::FormDestroyed(const TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

}  // namespace ui
