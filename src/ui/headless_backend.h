// The headless back end for native tests: no windows, only records. Message boxes and the open
// dialog are answered by scriptable responders and recorded; timers run in virtual time that the
// test advances; "user" clicks reach only controls a user could reach; posted actions stand for
// window messages and are handled by the application's message loop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/backend.h"

namespace ui {

class HeadlessBackend : public Backend {
 public:
  struct MessageBoxCall {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
  };
  struct Update {
    int controlId;
    Change what;
    int index;
  };
  using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
  // The chosen full path, or nullopt for Cancel.
  using OpenDialogResponder = std::function<std::optional<std::string>(const OpenFileRequest&)>;

  HeadlessBackend();

  // Message boxes: the default responder picks the box's default button.
  void SetMessageBoxResponder(MessageBoxResponder responder) { boxResponder_ = std::move(responder); }
  const std::vector<MessageBoxCall>& MessageBoxes() const { return boxes_; }
  void ClearMessageBoxes() { boxes_.clear(); }

  // Open dialogs: the default responder cancels.
  void SetOpenDialogResponder(OpenDialogResponder responder) { dialogResponder_ = std::move(responder); }
  const std::vector<OpenFileRequest>& OpenDialogs() const { return dialogs_; }

  // Virtual time in milliseconds. Advance runs every timer period that ends within the span, in
  // time order (timers due at the same moment in the order they were started).
  uint64_t Now() const { return now_; }
  void Advance(uint64_t milliseconds);
  // One period of a running timer, now; false when the timer is not running.
  bool FireTimer(TTimer& timer);
  bool TimerRunning(const TTimer& timer) const;

  // A click as the user makes it: only on a control that has a widget, is showing and is enabled
  // together with its parents, and not while a task-modal box waits for its answer (the box
  // keeps the user off the program's windows). A check box changes its tick first. False when
  // not reachable.
  bool Click(TControl& control);
  // True while a responder answers a task-modal box.
  bool TaskModalBoxOpen() const { return taskModalBoxes_ > 0; }

  // A message for the loop: the action runs when the application handles it.
  void Post(std::function<void()> action);
  size_t PendingMessages() const { return queue_.size(); }

  // From now on creating a widget fails as the Win32 back end's does when the system refuses
  // the window: Exception("Error creating window").
  void FailWidgetCreation() { failWidgetCreation_ = true; }

  // Widgets alive, and the updates that reached the back end.
  size_t LiveWidgets() const { return widgets_.size(); }
  bool HasWidget(const TControl& control) const;
  const std::vector<Update>& Updates() const { return updates_; }
  void ClearUpdates() { updates_.clear(); }

  // The border and title bar size of forms with borders (design pixels); none for bsNone.
  void SetFormFrame(FrameSize frame) { frame_ = frame; }
  void SetModulePath(std::string path) { modulePath_ = std::move(path); }
  // The reason a form holds back the end of the session, or empty.
  std::string ShutdownBlockReason(const TForm& form) const;

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
  std::string ModulePath() override { return modulePath_; }

 private:
  struct RunningTimer {
    TTimer* timer;
    uint64_t due;
    uint64_t started;  // order of (re)starts, for timers due together
  };
  struct Message {
    bool quit;
    std::function<void()> action;
  };

  MessageBoxResponder boxResponder_;
  OpenDialogResponder dialogResponder_;
  std::vector<MessageBoxCall> boxes_;
  int taskModalBoxes_ = 0;
  std::vector<OpenFileRequest> dialogs_;
  uint64_t now_ = 0;
  uint64_t starts_ = 0;
  std::map<int, RunningTimer> timers_;
  std::deque<Message> queue_;
  WidgetHandle nextWidget_ = 1;
  std::map<WidgetHandle, const TControl*> widgets_;
  std::vector<Update> updates_;
  FrameSize frame_{6, 30};
  std::string modulePath_ = "C:\\FLASH\\FLASH.EXE";
  std::map<const TForm*, std::string> shutdownBlocks_;
  bool failWidgetCreation_ = false;
};

}  // namespace ui
