// The Win32 back end: a real window for every control (scaled from design pixels to the display's
// density), window-thread timers, MessageBoxA, GetOpenFileNameA and the message loop. Exceptions
// thrown by event handlers are carried past the window procedure and rethrown from the call that
// dispatched the message (Run, ProcessMessages, a message box, the open dialog).
#pragma once

#include <memory>
#include <string>

#include "ui/backend.h"

namespace ui {

class Win32Backend final : public Backend {
 public:
  // Registers the window classes and reads the display density. One per thread that shows windows.
  Win32Backend();
  ~Win32Backend() override;

  // The display's pixels per inch (LOGPIXELSY) that design pixels are scaled to.
  int PixelsPerInch() const;

  void CreateWidget(TControl& control) override;
  void UpdateWidget(TControl& control, Change what, int index) override;
  void DestroyWidget(TControl& control) override;
  FrameSize FormFrame(const TForm& form) override;
  void StartTimer(TTimer& timer) override;
  void StopTimer(TTimer& timer) override;
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  bool RunOpenDialog(OpenFileRequest& request) override;
  MessageResult HandleMessage(bool wait) override;
  void SetShutdownBlockReason(TForm& form, const std::string& reason) override;
  void PostQuit() override;
  std::string ModulePath() override;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
