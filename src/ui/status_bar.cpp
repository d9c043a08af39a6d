// Status bar panels; every change reaches the back end through the bar.
#include "ui/status_bar.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ui/exception.h"

namespace ui {

void TStatusPanel::SetWidth(int width) {
  width = std::max(width, 0);
  if (width == width_) return;
  width_ = width;
  bar_.PanelChanged(Change::Panels, index_);
}

void TStatusPanel::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  bar_.PanelChanged(Change::PanelText, index_);
}

TStatusPanel& TStatusPanels::Add() {
  panels_.push_back(std::make_unique<TStatusPanel>(bar_, Count()));
  bar_.PanelChanged(Change::Panels, Count() - 1);
  return *panels_.back();
}

TStatusPanel& TStatusPanels::Items(int index) {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *panels_[static_cast<size_t>(index)];
}

const TStatusPanel& TStatusPanels::Items(int index) const {
  return const_cast<TStatusPanels*>(this)->Items(index);
}

void TStatusPanels::Clear() {
  panels_.clear();
  bar_.PanelChanged(Change::Panels, 0);
}

TStatusBar::TStatusBar(TComponent* owner) : TControl(owner, ControlKind::StatusBar) {
  SetBounds(0, 0, 300, 24);
  SetAlign(alBottom);
}

void TStatusBar::SetSimplePanel(bool simple) {
  if (simple == simplePanel_) return;
  simplePanel_ = simple;
  Changed(Change::SimplePanel);
}

}  // namespace ui
