// Control properties, parent/child links, font inheritance and alignment.
#include "ui/control.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ui/exception.h"

namespace ui {

TControl::TControl(TComponent* owner, ControlKind kind) : TComponent(owner), kind_(kind) {
  if (GetBackend() != nullptr) controlId_ = GetBackend()->AllocateId();
  font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
  font_.OnChange = nullptr;
  TControl::DestroyWidgetTree();
  if (parent_ != nullptr) {
    TWinControl* parent = parent_;
    auto& siblings = parent->children_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    parent_ = nullptr;
    if (align_ != alNone && !parent->aligning_) parent->Realign();
  }
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (kind_ == ControlKind::Form && parent != nullptr) {
    throw EInvalidOperation("A form cannot be placed inside another control");
  }
  for (const TControl* up = parent; up != nullptr; up = up->parent_) {
    if (up == this) throw EInvalidOperation("Control cannot have itself as parent");
  }
  DestroyWidgetTree();
  if (parent_ != nullptr) {
    TWinControl* old = parent_;
    old->children_.erase(std::find(old->children_.begin(), old->children_.end(), this));
    parent_ = nullptr;
    if (align_ != alNone) old->Realign();
  }
  parent_ = parent;
  if (parent_ == nullptr) return;
  parent_->children_.push_back(this);
  if (parentFont_) InheritFont(parent_->Font());
  if (align_ != alNone) parent_->Realign();
  if (parent_->Widget() != 0) CreateWidgetTree();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  PlaceAt(left, top, width, height);
  if (align_ != alNone && visible_ && parent_ != nullptr) parent_->Realign();
}

void TControl::PlaceAt(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool sizeChanged = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Change::Bounds);
  if (sizeChanged) SizeChanged();
}

void TControl::SetCaption(std::string caption) {
  if (caption == text_) return;
  text_ = std::move(caption);
  Changed(Change::Text);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed(Change::Visible);
  if (align_ != alNone && parent_ != nullptr) parent_->Realign();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  return parent_ != nullptr ? parent_->Showing() : kind_ == ControlKind::Form;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(Change::Enabled);
}

bool TControl::EnabledInChain() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void TControl::SetParentFont(bool parentFont) {
  parentFont_ = parentFont;
  if (parentFont_ && parent_ != nullptr) InheritFont(parent_->Font());
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed(Change::Color);
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_ != nullptr) parent_->Realign();
}

void TControl::Click() {
  if (!OnClick) return;
  // A copy: the handler may assign a new OnClick while it runs.
  TNotifyEvent handler = OnClick;
  handler(this);
}

void TControl::NativeClicked(bool) { Click(); }

void TControl::NativeTextChanged(std::string text) { text_ = std::move(text); }

void TControl::Changed(Change what, int index) {
  if (widget_ != 0 && GetBackend() != nullptr) GetBackend()->UpdateWidget(*this, what, index);
}

void TControl::CreateWidgetTree() {
  if (widget_ == 0 && GetBackend() != nullptr) GetBackend()->CreateWidget(*this);
}

void TControl::DestroyWidgetTree() {
  if (widget_ != 0 && GetBackend() != nullptr) GetBackend()->DestroyWidget(*this);
  widget_ = 0;
}

void TControl::FontChanged() {
  if (!inheritingFont_) parentFont_ = false;
  Changed(Change::Font);
}

void TControl::InheritFont(const TFont& parentFont) {
  struct Restore {
    bool& flag;
    ~Restore() { flag = false; }
  } restore{inheritingFont_};
  inheritingFont_ = true;
  font_.Assign(parentFont);
}

TWinControl::TWinControl(TComponent* owner, ControlKind kind) : TControl(owner, kind) {}

TWinControl::~TWinControl() {
  // Children leave the list as they are freed; no realigning of a control that is going away.
  aligning_ = true;
  while (!children_.empty()) delete children_.back();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return children_[static_cast<size_t>(index)];
}

void TWinControl::Realign() {
  if (aligning_) return;
  aligning_ = true;
  struct Restore {
    bool& flag;
    ~Restore() { flag = false; }
  } restore{aligning_};

  std::vector<TControl*> tops;
  std::vector<TControl*> bottoms;
  std::vector<TControl*> clients;
  for (TControl* child : children_) {
    if (!child->Visible()) continue;
    switch (child->Align()) {
      case alTop: tops.push_back(child); break;
      case alBottom: bottoms.push_back(child); break;
      case alClient: clients.push_back(child); break;
      case alNone: break;
    }
  }
  std::stable_sort(tops.begin(), tops.end(),
                   [](const TControl* a, const TControl* b) { return a->Top() < b->Top(); });
  std::stable_sort(bottoms.begin(), bottoms.end(), [](const TControl* a, const TControl* b) {
    return a->Top() + a->Height() > b->Top() + b->Height();
  });

  TRect area = AlignRect();
  for (TControl* c : tops) {
    c->PlaceAt(area.left, area.top, area.Width(), c->Height());
    area.top += c->Height();
  }
  for (TControl* c : bottoms) {
    c->PlaceAt(area.left, area.bottom - c->Height(), area.Width(), c->Height());
    area.bottom -= c->Height();
  }
  for (TControl* c : clients) c->PlaceAt(area.left, area.top, area.Width(), area.Height());
}

void TWinControl::CreateWidgetTree() {
  TControl::CreateWidgetTree();
  if (Widget() == 0) return;
  for (TControl* child : children_) child->CreateWidgetTree();
}

void TWinControl::DestroyWidgetTree() {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) (*it)->DestroyWidgetTree();
  TControl::DestroyWidgetTree();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* child : children_) {
    if (child->ParentFont()) child->InheritFont(Font());
  }
}

}  // namespace ui
