// The application object and its message loop.
#include "ui/application.h"

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
    const MessageResult result = backend_.HandleMessage(true);
    Handle(result);
    // Only the headless back end runs out of messages: nothing more can happen then.
    if (result == MessageResult::NoMessage) return;
  }
}

void TApplication::ProcessMessages() {
  while (!terminated_) {
    const MessageResult result = backend_.HandleMessage(false);
    Handle(result);
    if (result == MessageResult::NoMessage) return;
  }
}

void TApplication::Handle(MessageResult result) {
  if (result == MessageResult::Quit) terminated_ = true;
}

void TApplication::Terminate() { backend_.PostQuit(); }

void TApplication::HandleException(const std::exception& error) {
  backend_.ShowMessageBox(error.what(), title_, kMbOk | kMbIconHand | kMbTaskModal);
}

void TApplication::FormDestroyed(const TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

}  // namespace ui
