// The standard controls: push button, check box, static label, single-line edit and the panel
// that holds other controls.
#pragma once

#include "ui/control.h"

namespace ui {

class TButton : public TControl {
 public:
  explicit TButton(TComponent* owner);
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TComponent* owner);
  bool Checked() const { return checked_; }
  // Changes the tick only; OnClick runs for the user's clicks.
  void SetChecked(bool checked);
  // Takes the state the system shows after the user's click, then runs OnClick.
  void NativeClicked(bool checked) override;

 private:
  bool checked_ = false;
};

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);
};

class TEdit : public TControl {
 public:
  explicit TEdit(TComponent* owner);
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  // Aligned children stay inside the one-pixel bevel.
  TRect AlignRect() const override;

 private:
  TBevelCut bevelOuter_ = bvRaised;
};

}  // namespace ui
