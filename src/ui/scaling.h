// Design units and the display: the layout is drawn in pixels at 120 pixels per inch, and a back
// end scales it to the density of the display it draws on.
#pragma once

namespace ui {

inline constexpr int kDesignPixelsPerInch = 120;

// number * numerator / denominator with a 64-bit intermediate, rounded to the nearest integer
// (halves away from zero); -1 when the denominator is 0 or the result does not fit, as the
// Windows function of that name answers.
int MulDiv(int number, int numerator, int denominator);

class Scaler {
 public:
  // A density that no display reports (0 or less) is taken as the design density.
  explicit Scaler(int pixelsPerInch);
  int PixelsPerInch() const { return ppi_; }
  int ToDevice(int designPixels) const;
  int ToDesign(int devicePixels) const;
  // Font heights keep their sign: negative is the character height, positive the cell height.
  int FontHeightToDevice(int designHeight) const { return ToDevice(designHeight); }

 private:
  int ppi_;
};

}  // namespace ui
