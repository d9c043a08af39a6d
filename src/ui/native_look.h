// What the Win32 back end makes of each control, worked out here so it is tested natively: window
// class and styles, bounds scaled to the display, font height and weight, status-bar part edges,
// progress range message, open-dialog filter and flags. Style values are written from the public
// Windows documentation; the Win32 back end checks them against the real headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/form.h"
#include "ui/scaling.h"

namespace ui::native {

inline constexpr uint32_t kWsOverlapped = 0x00000000u;
inline constexpr uint32_t kWsPopup = 0x80000000u;
inline constexpr uint32_t kWsChild = 0x40000000u;
inline constexpr uint32_t kWsVisible = 0x10000000u;
inline constexpr uint32_t kWsDisabled = 0x08000000u;
inline constexpr uint32_t kWsClipSiblings = 0x04000000u;
inline constexpr uint32_t kWsClipChildren = 0x02000000u;
inline constexpr uint32_t kWsCaption = 0x00C00000u;
inline constexpr uint32_t kWsSysMenu = 0x00080000u;
inline constexpr uint32_t kWsThickFrame = 0x00040000u;
inline constexpr uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr uint32_t kWsMaximizeBox = 0x00010000u;
inline constexpr uint32_t kWsTabStop = 0x00010000u;
inline constexpr uint32_t kWsExClientEdge = 0x00000200u;
inline constexpr uint32_t kWsExControlParent = 0x00010000u;

inline constexpr uint32_t kBsPushButton = 0x0;
inline constexpr uint32_t kBsAutoCheckBox = 0x3;
inline constexpr uint32_t kSsLeft = 0x0;
inline constexpr uint32_t kEsAutoHScroll = 0x80;
inline constexpr uint32_t kCcsNoResize = 0x4;
inline constexpr uint32_t kCcsNoParentAlign = 0x8;

inline constexpr uint32_t kOfnHideReadOnly = 0x4;
inline constexpr uint32_t kOfnNoChangeDir = 0x8;
inline constexpr uint32_t kOfnPathMustExist = 0x800;
inline constexpr uint32_t kOfnFileMustExist = 0x1000;
inline constexpr uint32_t kOfnExplorer = 0x80000;

inline constexpr int kFwNormal = 400;
inline constexpr int kFwBold = 700;

// The back end's own window classes: the form and the panel (both pass their children's
// notifications on to the controls) and the hidden window that receives the timers.
inline constexpr const char* kFormClass = "UiForm";
inline constexpr const char* kPanelClass = "UiPanel";
inline constexpr const char* kTimerSinkClass = "UiTimerSink";

struct WindowKind {
  const char* className;
  uint32_t style;
  uint32_t exStyle;
  // A new child window goes below its older siblings (creation order is the tab order). A status
  // bar is a background strip that other controls may cover (the progress bar over its first
  // part), so it stays below every sibling, also those created after it.
  bool behindSiblings;
};

// The form's style alone: from its border style and icons, without visibility.
uint32_t FormStyle(TFormBorderStyle border, TBorderIcons icons);
// Class, style (visibility and enabled state included) and extended style of a control's window.
WindowKind Describe(const TControl& control);

// A control's place in its parent's client area, in device pixels (left, top, width, height).
struct DeviceBounds {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const DeviceBounds&) const = default;
};
DeviceBounds ScaleBounds(const TControl& control, const Scaler& scaler);
// A form's screen position and client size in device pixels.
DeviceBounds ScaleFormClient(const TForm& form, const Scaler& scaler);

int FontWeight(const TFont& font);

// Right edges of the status-bar parts in device pixels, the last one reaching to the bar's end
// (-1), as SB_SETPARTS takes them; one part when there are no panels.
std::vector<int> StatusPartEdges(const std::vector<int>& designWidths, const Scaler& scaler);

// The PBM_SETRANGE parameter (minimum in the low word, maximum in the high word) when both fit in
// 16 bits; nullopt when the range needs PBM_SETRANGE32.
std::optional<uint32_t> ProgressRange16(int min, int max);

// "Description\0pattern\0...\0\0" for GetOpenFileNameA; empty when there is no filter. NULs inside
// the texts are dropped, as they would end the list early.
std::string DoubleNulFilter(const std::vector<FileFilter>& filters);
// Flags of the open dialog: the current directory is left alone (the settings file is found through
// it), read-only box hidden, only existing files.
uint32_t OpenDialogFlags();

}  // namespace ui::native
