// The progress bar: a position inside a range, kept inside the range as the system's bar keeps it.
#pragma once

#include "ui/control.h"

namespace ui {

class TProgressBar : public TControl {
 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  int Max() const { return max_; }
  // Throws EInvalidOperation when the minimum would exceed the maximum.
  void SetMin(int min) { SetRange(min, max_); }
  void SetMax(int max) { SetRange(min_, max); }
  void SetRange(int min, int max);

  int Position() const { return position_; }
  // Values outside the range are taken as the nearest end.
  void SetPosition(int position);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace ui
