// Records, responders, virtual-time timers and a posted-action queue in place of a window system.
#include "ui/headless_backend.h"

#include <stdexcept>
#include <utility>

#include "ui/exception.h"
#include "ui/form.h"
#include "ui/message_box_flags.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace ui {

HeadlessBackend::HeadlessBackend()
    : boxResponder_([](const MessageBoxCall& call) { return DefaultButtonAnswer(call.flags); }),
      dialogResponder_([](const OpenFileRequest&) { return std::nullopt; }) {}

void HeadlessBackend::Advance(uint64_t milliseconds) {
  const uint64_t end = now_ + milliseconds;
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due > end) continue;
      if (next == timers_.end() || it->second.due < next->second.due ||
          (it->second.due == next->second.due && it->second.started < next->second.started)) {
        next = it;
      }
    }
    if (next == timers_.end()) break;
    const int id = next->first;
    const uint64_t started = next->second.started;
    TTimer* timer = next->second.timer;
    now_ = next->second.due;
    timer->Fire();
    // The handler may have stopped, restarted or freed the timer; only an untouched one goes on
    // to its next period.
    auto again = timers_.find(id);
    if (again != timers_.end() && again->second.started == started) {
      again->second.due += timer->Interval();
    }
  }
  now_ = end;
}

bool HeadlessBackend::FireTimer(TTimer& timer) {
  if (!TimerRunning(timer)) return false;
  timer.Fire();
  return true;
}

bool HeadlessBackend::TimerRunning(const TTimer& timer) const {
  auto it = timers_.find(timer.TimerId());
  return it != timers_.end() && it->second.timer == &timer;
}

bool HeadlessBackend::Click(TControl& control) {
  if (TaskModalBoxOpen()) return false;
  if (!HasWidget(control) || !control.Showing() || !control.EnabledInChain()) return false;
  bool checked = false;
  if (control.Kind() == ControlKind::CheckBox) checked = !static_cast<TCheckBox&>(control).Checked();
  control.NativeClicked(checked);
  return true;
}

void HeadlessBackend::Post(std::function<void()> action) { queue_.push_back({false, std::move(action)}); }

bool HeadlessBackend::HasWidget(const TControl& control) const {
  auto it = widgets_.find(control.Widget());
  return it != widgets_.end() && it->second == &control;
}

void HeadlessBackend::CreateWidget(TControl& control) {
  if (failWidgetCreation_) throw Exception("Error creating window");
  // The library creates parents before children; anything else is a fault of the library.
  if (control.Parent() != nullptr && !HasWidget(*control.Parent())) {
    throw std::logic_error("widget created before its parent's");
  }
  if (control.Kind() != ControlKind::Form && control.Parent() == nullptr) {
    throw std::logic_error("widget created for a control without parent");
  }
  const WidgetHandle handle = nextWidget_++;
  widgets_[handle] = &control;
  control.AttachWidget(handle);
}

void HeadlessBackend::UpdateWidget(TControl& control, Change what, int index) {
  if (!HasWidget(control)) throw std::logic_error("update of a control without widget");
  updates_.push_back({control.ControlId(), what, index});
}

void HeadlessBackend::DestroyWidget(TControl& control) {
  if (!HasWidget(control)) throw std::logic_error("destroying a widget that does not exist");
  for (const auto& [handle, other] : widgets_) {
    if (other->Parent() == &control) throw std::logic_error("widget destroyed before its children");
  }
  widgets_.erase(control.Widget());
  control.AttachWidget(0);
}

FrameSize HeadlessBackend::FormFrame(const TForm& form) {
  if (form.BorderStyle() == bsNone) return {};
  return frame_;
}

void HeadlessBackend::StartTimer(TTimer& timer) {
  timers_[timer.TimerId()] = {&timer, now_ + timer.Interval(), ++starts_};
}

void HeadlessBackend::StopTimer(TTimer& timer) { timers_.erase(timer.TimerId()); }

void HeadlessBackend::SetShutdownBlockReason(TForm& form, const std::string& reason) {
  if (reason.empty()) {
    shutdownBlocks_.erase(&form);
  } else {
    shutdownBlocks_[&form] = reason;
  }
}

std::string HeadlessBackend::ShutdownBlockReason(const TForm& form) const {
  const auto found = shutdownBlocks_.find(&form);
  return found == shutdownBlocks_.end() ? std::string() : found->second;
}

int HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  // A copy for the responder: it may show further boxes, which grow the record.
  const MessageBoxCall call{text, caption, flags};
  boxes_.push_back(call);
  if ((flags & kMbTaskModal) == 0) return boxResponder_(call);
  // The count goes down again also when the responder throws.
  struct OpenBox {
    int& count;
    explicit OpenBox(int& c) : count(c) { ++count; }
    ~OpenBox() { --count; }
  } open(taskModalBoxes_);
  return boxResponder_(call);
}

bool HeadlessBackend::RunOpenDialog(OpenFileRequest& request) {
  dialogs_.push_back(request);
  std::optional<std::string> chosen = dialogResponder_(request);
  if (!chosen) return false;
  request.fileName = std::move(*chosen);
  return true;
}

MessageResult HeadlessBackend::HandleMessage(bool) {
  if (queue_.empty()) return MessageResult::NoMessage;
  Message message = std::move(queue_.front());
  queue_.pop_front();
  if (message.quit) return MessageResult::Quit;
  if (message.action) message.action();
  return MessageResult::Handled;
}

void HeadlessBackend::PostQuit() { queue_.push_back({true, nullptr}); }

}  // namespace ui
