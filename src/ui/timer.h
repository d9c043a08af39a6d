// The window-thread timer: while enabled with a non-zero interval, OnTimer runs once per interval
// on the thread that runs the message loop.
#pragma once

#include <cstdint>

#include "ui/component.h"
#include "ui/ui_types.h"

namespace ui {

class TTimer : public TComponent {
 public:
  // Enabled, 1000 ms, as the class library's timer starts.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  // Enabling (again) starts a fresh period.
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  // A new interval starts a fresh period; 0 stops the timer.
  void SetInterval(uint32_t milliseconds);

  TNotifyEvent OnTimer;

  // Whether the back end is counting periods for this timer.
  bool Running() const { return running_; }
  int TimerId() const { return timerId_; }
  // For back ends: one period has passed. Runs OnTimer if the timer is still enabled.
  void Fire();

 private:
  void Update();

  bool enabled_ = true;
  uint32_t interval_ = 1000;
  bool running_ = false;
  int timerId_ = 0;
};

}  // namespace ui
