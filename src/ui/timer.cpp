// Timer state and its hand-over to the back end.
#include "ui/timer.h"

#include "ui/backend.h"

namespace ui {

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  if (GetBackend() != nullptr) timerId_ = GetBackend()->AllocateId();
  Update();
}

TTimer::~TTimer() {
  if (running_ && GetBackend() != nullptr) GetBackend()->StopTimer(*this);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(uint32_t milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Update();
}

void TTimer::Fire() {
  if (!enabled_ || interval_ == 0 || !OnTimer) return;
  TNotifyEvent handler = OnTimer;
  handler(this);
}

void TTimer::Update() {
  Backend* backend = GetBackend();
  if (backend == nullptr) return;
  if (running_) {
    backend->StopTimer(*this);
    running_ = false;
  }
  if (enabled_ && interval_ > 0) {
    backend->StartTimer(*this);
    running_ = true;
  }
}

}  // namespace ui
