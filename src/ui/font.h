// A control's font as the form designer stores it: face name, height in design pixels (negative:
// character height), style flags and text colour. Every change is reported to the owning control,
// which passes it on to the back end.
#pragma once

#include <functional>
#include <string>

#include "ui/colors.h"

namespace ui {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont {
 public:
  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name);

  int Height() const { return height_; }
  void SetHeight(int height);

  // Points at the design density: Size = -Height * 72 / 120 (rounded), so 10 points is height -17.
  int Size() const;
  void SetSize(int points);

  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  bool Bold() const { return (style_ & fsBold) != 0; }

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Takes every attribute of another font, with one change notice.
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

  // Set by the control that owns the font.
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string name_ = "MS Sans Serif";
  int height_ = -13;  // 8 points at the design density
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
};

}  // namespace ui
