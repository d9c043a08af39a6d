// ShowMessage and MessageBoxA through the application's back end.
#include "ui/dialogs.h"

#include "ui/application.h"

namespace ui {

void ShowMessage(const std::string& text) {
  if (Application == nullptr) return;
  // Task-modal: with no owner window the box must still keep the user off the program's windows.
  Application->GetBackend()->ShowMessageBox(text, Application->Title(), kMbOk | kMbTaskModal);
}

int MessageBoxA(const std::string& text, const std::string& caption, uint32_t flags) {
  if (Application == nullptr) return 0;
  return Application->GetBackend()->ShowMessageBox(text, caption, flags | kMbTaskModal);
}

}  // namespace ui
