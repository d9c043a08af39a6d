// Progress bar range and position.
#include "ui/progress_bar.h"

#include <algorithm>

#include "ui/exception.h"

namespace ui {

TProgressBar::TProgressBar(TComponent* owner) : TControl(owner, ControlKind::ProgressBar) {
  SetBounds(0, 0, 188, 20);
}

void TProgressBar::SetRange(int min, int max) {
  if (min > max) throw EInvalidOperation("Property value out of range");
  if (min == min_ && max == max_) return;
  min_ = min;
  max_ = max;
  Changed(Change::Range);
  const int clamped = std::clamp(position_, min_, max_);
  if (clamped != position_) {
    position_ = clamped;
    Changed(Change::Position);
  }
}

void TProgressBar::SetPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == position_) return;
  position_ = position;
  Changed(Change::Position);
}

}  // namespace ui
