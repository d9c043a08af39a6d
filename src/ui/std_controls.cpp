// The standard controls' own properties and default sizes (design pixels at 120 dpi).
#include "ui/std_controls.h"

namespace ui {

TButton::TButton(TComponent* owner) : TControl(owner, ControlKind::Button) { SetBounds(0, 0, 94, 31); }

TCheckBox::TCheckBox(TComponent* owner) : TControl(owner, ControlKind::CheckBox) {
  SetBounds(0, 0, 121, 21);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed(Change::Checked);
}

void TCheckBox::NativeClicked(bool checked) {
  checked_ = checked;
  Click();
}

TLabel::TLabel(TComponent* owner) : TControl(owner, ControlKind::Label) { SetBounds(0, 0, 40, 16); }

TEdit::TEdit(TComponent* owner) : TControl(owner, ControlKind::Edit) {
  SetBounds(0, 0, 151, 26);
  SetColor(clWindow);
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner, ControlKind::Panel) {
  SetBounds(0, 0, 231, 51);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Changed(Change::Bevel);
  Realign();
}

TRect TPanel::AlignRect() const {
  TRect r = ClientRect();
  if (bevelOuter_ == bvNone) return r;
  return {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

}  // namespace ui
