// Basic types shared by the widget classes and their back ends: the root object, event types,
// geometry, alignment, control kinds and the back end's opaque widget handle.
#pragma once

#include <cstdint>
#include <functional>

namespace ui {

// Root of every class of the library; objects are identities, never copied.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
// The handler may set canClose to false to keep the form open.
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// Modifier keys held with a key press.
enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;
// A key press offered to a form before its controls see it; set handled to keep it from them.
using TShortCutEvent = std::function<void(unsigned virtualKey, TShiftState shift, bool& handled)>;

struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const TRect&) const = default;
};

// Where a control sits inside its parent's client area. Aligned controls follow the parent's size.
enum TAlign { alNone, alTop, alBottom, alClient };

enum class ControlKind { Form, Panel, Button, CheckBox, Label, Edit, StatusBar, ProgressBar };

// What a back end attaches to a control: a window handle in the Win32 back end, a serial number in
// the headless one. 0 means none.
using WidgetHandle = std::uintptr_t;

}  // namespace ui
