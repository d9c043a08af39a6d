// Font attributes and their point/pixel conversion at the design density.
#include "ui/font.h"

#include <utility>

#include "ui/scaling.h"

namespace ui {

void TFont::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, kDesignPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, kDesignPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  color_ = other.color_;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
         color_ == other.color_;
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

}  // namespace ui
