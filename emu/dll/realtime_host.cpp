// The completion side of the real-time host: tell the observer (the command log), then set the event.
#include "emu/dll/realtime_host.h"

namespace emu::dll {

void RealTimeHost::OnCompletion(std::function<void(platform::Handle)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void RealTimeHost::SignalEvent(platform::Handle event, uint64_t) {
  std::function<void(platform::Handle)> observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(event);
  events_.Set(event);
}

}  // namespace emu::dll
