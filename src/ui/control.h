// Visual controls: TControl holds the properties that every control has (bounds in design pixels,
// caption, visibility, enabled state, font, colour, alignment, click handler) and passes each
// change to the back end at once; TWinControl is a control that holds other controls.
#pragma once

#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/colors.h"
#include "ui/component.h"
#include "ui/font.h"
#include "ui/ui_types.h"

namespace ui {

class TWinControl;

class TControl : public TComponent {
 public:
  ~TControl() override;

  ControlKind Kind() const { return kind_; }

  TWinControl* Parent() const { return parent_; }
  // The control gets its widget when the new parent has one; null takes it off the screen.
  void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // Negative sizes are taken as 0. An aligned control keeps the place its alignment gives it.
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }

  // Caption and Text are one property under the two names the controls use.
  const std::string& Caption() const { return text_; }
  void SetCaption(std::string caption);
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to a form that is visible.
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Enabled itself and every parent: what a user can reach.
  bool EnabledInChain() const;

  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  // While true the control takes its parent's font; changing the control's own font clears it.
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool parentFont);

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  TNotifyEvent OnClick;
  // Runs OnClick, as a click by the user does.
  virtual void Click();

  // Unique per back end, in creation order; the Win32 back end gives it to the control's window.
  int ControlId() const { return controlId_; }

  // For back ends.
  WidgetHandle Widget() const { return widget_; }
  void AttachWidget(WidgetHandle widget) { widget_ = widget; }
  // The user clicked the native control; checked is the check state the system now shows.
  virtual void NativeClicked(bool checked);
  // The user edited the native control's text.
  void NativeTextChanged(std::string text);

 protected:
  TControl(TComponent* owner, ControlKind kind);

  // Passes a change to the back end when the control has a widget.
  void Changed(Change what, int index = 0);
  virtual void CreateWidgetTree();
  virtual void DestroyWidgetTree();
  virtual void SizeChanged() {}
  virtual void FontChanged();
  void InheritFont(const TFont& parentFont);
  // Stores bounds without asking the parent to align (the parent's alignment calls this).
  void PlaceAt(int left, int top, int width, int height);

 private:
  friend class TWinControl;

  ControlKind kind_;
  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::string text_;
  bool visible_ = true;
  bool enabled_ = true;
  TFont font_;
  bool parentFont_ = true;
  bool inheritingFont_ = false;
  TColor color_ = clBtnFace;
  TAlign align_ = alNone;
  int controlId_ = 0;
  WidgetHandle widget_ = 0;
};

class TWinControl : public TControl {
 public:
  // Frees the child controls first, as their windows live inside this one.
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(children_.size()); }
  // Throws EListError outside 0 .. ControlCount() - 1.
  TControl* Controls(int index) const;

  // The area the children are positioned in, in this control's own coordinates.
  virtual TRect ClientRect() const { return {0, 0, Width(), Height()}; }
  // The part of the client area that aligned children share out.
  virtual TRect AlignRect() const { return ClientRect(); }
  // Places the aligned, visible children: top ones from the top down, bottom ones from the bottom
  // up (the lowest first), a client-aligned one in what remains.
  void Realign();

 protected:
  TWinControl(TComponent* owner, ControlKind kind);
  void CreateWidgetTree() override;
  void DestroyWidgetTree() override;
  void SizeChanged() override { Realign(); }
  void FontChanged() override;

 private:
  friend class TControl;

  std::vector<TControl*> children_;
  bool aligning_ = false;
};

}  // namespace ui
