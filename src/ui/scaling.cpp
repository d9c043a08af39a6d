// Integer scaling between design pixels and device pixels.
#include "ui/scaling.h"

#include <cstdint>
#include <limits>

namespace ui {

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t p = product < 0 ? -product : product;
  const int64_t d = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;
  const int64_t q = (p + d / 2) / d;
  const int64_t result = negative ? -q : q;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

Scaler::Scaler(int pixelsPerInch) : ppi_(pixelsPerInch > 0 ? pixelsPerInch : kDesignPixelsPerInch) {}

int Scaler::ToDevice(int designPixels) const { return MulDiv(designPixels, ppi_, kDesignPixelsPerInch); }

int Scaler::ToDesign(int devicePixels) const { return MulDiv(devicePixels, kDesignPixelsPerInch, ppi_); }

}  // namespace ui
