// Showing the hidden service controls. Their resource places overlap the Flash and exit buttons
// and lie partly outside the panel, so they are shown in a band added below the window's own
// area, keeping their places relative to one another; nothing that was visible moves.
#include <algorithm>
#include <initializer_list>

#include "app/form1.h"

namespace app {
namespace {

constexpr int kBandWidth = 636;   // ButAD reaches 626 design pixels from the left
constexpr int kBandHeight = 140;  // the buttons' row ends at 129
constexpr int kBandMargin = 10;   // the band starts 10 pixels above the topmost control (20)

}  // namespace

void TForm1::ShowServiceControls() {
  if (serviceShown_) return;
  serviceShown_ = true;
  // Panel1 is aligned to the bottom; it must keep its place while the window grows.
  Panel1->SetAlign(ui::alNone);
  const int bandTop = ClientHeight();
  SetClientWidth(std::max(ClientWidth(), kBandWidth));
  SetClientHeight(bandTop + kBandHeight);
  for (ui::TControl* control : std::initializer_list<ui::TControl*>{ButtonLoad, Label1, Edit1, LabelCS, EditCS, ButCS,
                                                                   ButAD}) {
    const int left = control->Left();
    const int top = control->Top();
    control->SetParent(this);
    control->SetBounds(left, bandTop + top - kBandMargin - kBandMargin, control->Width(), control->Height());
    control->SetVisible(true);
  }
}

}  // namespace app
