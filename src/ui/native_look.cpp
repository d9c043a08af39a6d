// Window classes, styles and scaled values for the Win32 back end.
#include "ui/native_look.h"

#include "ui/std_controls.h"

namespace ui::native {

uint32_t FormStyle(TFormBorderStyle border, TBorderIcons icons) {
  if (border == bsNone) return kWsPopup | kWsClipChildren;
  uint32_t style = kWsOverlapped | kWsCaption | kWsClipChildren;
  if (border == bsSizeable) style |= kWsThickFrame;
  if ((icons & biSystemMenu) != 0) {
    // Windows shows the title-bar boxes only together with the system menu.
    style |= kWsSysMenu;
    if ((icons & biMinimize) != 0) style |= kWsMinimizeBox;
    if ((icons & biMaximize) != 0) style |= kWsMaximizeBox;
  }
  return style;
}

WindowKind Describe(const TControl& control) {
  if (control.Kind() == ControlKind::Form) {
    const auto& form = static_cast<const TForm&>(control);
    uint32_t style = FormStyle(form.BorderStyle(), form.BorderIcons());
    if (form.Visible()) style |= kWsVisible;
    if (!form.Enabled()) style |= kWsDisabled;
    return {kFormClass, style, kWsExControlParent, false};
  }
  WindowKind window{"", kWsChild | kWsClipSiblings, 0, false};
  switch (control.Kind()) {
    case ControlKind::Panel:
      window.className = kPanelClass;
      window.style |= kWsClipChildren;
      window.exStyle = kWsExControlParent;
      break;
    case ControlKind::Button:
      window.className = "BUTTON";
      window.style |= kBsPushButton | kWsTabStop;
      break;
    case ControlKind::CheckBox:
      window.className = "BUTTON";
      window.style |= kBsAutoCheckBox | kWsTabStop;
      break;
    case ControlKind::Label:
      window.className = "STATIC";
      window.style |= kSsLeft;
      break;
    case ControlKind::Edit:
      window.className = "EDIT";
      window.style |= kEsAutoHScroll | kWsTabStop;
      window.exStyle = kWsExClientEdge;
      break;
    case ControlKind::StatusBar:
      // Placed by the library's alignment, not by the bar itself.
      window.className = "msctls_statusbar32";
      window.style |= kCcsNoResize | kCcsNoParentAlign;
      window.behindSiblings = true;
      break;
    case ControlKind::ProgressBar:
      window.className = "msctls_progress32";
      break;
    case ControlKind::Form:
      break;
  }
  if (control.Visible()) window.style |= kWsVisible;
  if (!control.Enabled()) window.style |= kWsDisabled;
  return window;
}

DeviceBounds ScaleBounds(const TControl& control, const Scaler& scaler) {
  return {scaler.ToDevice(control.Left()), scaler.ToDevice(control.Top()),
          scaler.ToDevice(control.Width()), scaler.ToDevice(control.Height())};
}

DeviceBounds ScaleFormClient(const TForm& form, const Scaler& scaler) {
  return {scaler.ToDevice(form.Left()), scaler.ToDevice(form.Top()),
          scaler.ToDevice(form.ClientWidth()), scaler.ToDevice(form.ClientHeight())};
}

int FontWeight(const TFont& font) { return font.Bold() ? kFwBold : kFwNormal; }

std::vector<int> StatusPartEdges(const std::vector<int>& designWidths, const Scaler& scaler) {
  std::vector<int> edges;
  int right = 0;
  for (size_t i = 0; i + 1 < designWidths.size(); ++i) {
    right += designWidths[i];
    edges.push_back(scaler.ToDevice(right));
  }
  edges.push_back(-1);
  return edges;
}

std::optional<uint32_t> ProgressRange16(int min, int max) {
  if (min < 0 || max < 0 || min > 0xFFFF || max > 0xFFFF) return std::nullopt;
  return static_cast<uint32_t>(min) | (static_cast<uint32_t>(max) << 16);
}

std::string DoubleNulFilter(const std::vector<FileFilter>& filters) {
  auto clean = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c != '\0') out.push_back(c);
    }
    return out;
  };
  std::string list;
  for (const FileFilter& f : filters) {
    // An empty string would end the list early: no pattern, no entry; no description, the pattern.
    const std::string pattern = clean(f.pattern);
    if (pattern.empty()) continue;
    std::string description = clean(f.description);
    if (description.empty()) description = pattern;
    list += description;
    list.push_back('\0');
    list += pattern;
    list.push_back('\0');
  }
  if (!list.empty()) list.push_back('\0');
  return list;
}

uint32_t OpenDialogFlags() {
  return kOfnHideReadOnly | kOfnNoChangeDir | kOfnPathMustExist | kOfnFileMustExist | kOfnExplorer;
}

}  // namespace ui::native
