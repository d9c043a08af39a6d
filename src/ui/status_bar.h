// The status bar and its panels: each panel has a width (design pixels) and a text; the bar is
// either divided into its panels or, with SimplePanel, one single text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

class TStatusBar;

class TStatusPanel {
 public:
  TStatusPanel(TStatusBar& bar, int index) : bar_(bar), index_(index) {}
  TStatusPanel(const TStatusPanel&) = delete;
  TStatusPanel& operator=(const TStatusPanel&) = delete;

  int Index() const { return index_; }
  int Width() const { return width_; }
  void SetWidth(int width);  // negative is taken as 0
  const std::string& Text() const { return text_; }
  void SetText(std::string text);

 private:
  TStatusBar& bar_;
  int index_;
  int width_ = 50;
  std::string text_;
};

class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar& bar) : bar_(bar) {}
  TStatusPanels(const TStatusPanels&) = delete;
  TStatusPanels& operator=(const TStatusPanels&) = delete;

  TStatusPanel& Add();
  int Count() const { return static_cast<int>(panels_.size()); }
  // Throws EListError outside 0 .. Count() - 1.
  TStatusPanel& Items(int index);
  const TStatusPanel& Items(int index) const;
  TStatusPanel& operator[](int index) { return Items(index); }
  // Invalidates references to the panels.
  void Clear();

 private:
  TStatusBar& bar_;
  std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

class TStatusBar : public TControl {
 public:
  // Aligned to the bottom of its parent, as the class library's status bar is by default.
  explicit TStatusBar(TComponent* owner);

  TStatusPanels& Panels() { return panels_; }
  const TStatusPanels& Panels() const { return panels_; }

  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool simple);
  const std::string& SimpleText() const { return Caption(); }
  void SetSimpleText(std::string text) { SetCaption(std::move(text)); }

 private:
  friend class TStatusPanel;
  friend class TStatusPanels;
  void PanelChanged(Change what, int index) { Changed(what, index); }

  TStatusPanels panels_{*this};
  bool simplePanel_ = false;
};

}  // namespace ui
