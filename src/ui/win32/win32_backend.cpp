// The Win32 back end: windows for the controls, fonts and colours, timers, modal boxes, the open
// dialog and the message loop. What each control becomes is decided in ui/native_look; this file
// makes the calls.
#include "ui/win32/win32_backend.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/exception.h"
#include "ui/form.h"
#include "ui/message_box_flags.h"
#include "ui/native_look.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace ui {
namespace {

// The portable units carry these values without a Windows header; they must be the real ones.
static_assert(native::kWsPopup == WS_POPUP && native::kWsChild == WS_CHILD && native::kWsVisible == WS_VISIBLE);
static_assert(native::kWsDisabled == WS_DISABLED && native::kWsClipSiblings == WS_CLIPSIBLINGS);
static_assert(native::kWsClipChildren == WS_CLIPCHILDREN && native::kWsCaption == WS_CAPTION);
static_assert(native::kWsSysMenu == WS_SYSMENU && native::kWsThickFrame == WS_THICKFRAME);
static_assert(native::kWsMinimizeBox == WS_MINIMIZEBOX && native::kWsMaximizeBox == WS_MAXIMIZEBOX);
static_assert(native::kWsTabStop == WS_TABSTOP && native::kWsOverlapped == WS_OVERLAPPED);
static_assert(native::kWsExClientEdge == WS_EX_CLIENTEDGE && native::kWsExControlParent == WS_EX_CONTROLPARENT);
static_assert(native::kBsPushButton == BS_PUSHBUTTON && native::kBsAutoCheckBox == BS_AUTOCHECKBOX);
static_assert(native::kSsLeft == SS_LEFT && native::kEsAutoHScroll == ES_AUTOHSCROLL);
static_assert(native::kCcsNoResize == CCS_NORESIZE && native::kCcsNoParentAlign == CCS_NOPARENTALIGN);
static_assert(native::kOfnHideReadOnly == OFN_HIDEREADONLY && native::kOfnNoChangeDir == OFN_NOCHANGEDIR);
static_assert(native::kOfnPathMustExist == OFN_PATHMUSTEXIST && native::kOfnFileMustExist == OFN_FILEMUSTEXIST);
static_assert(native::kOfnExplorer == OFN_EXPLORER);
static_assert(native::kFwNormal == FW_NORMAL && native::kFwBold == FW_BOLD);
static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL && kMbYesNo == MB_YESNO);
static_assert(kMbYesNoCancel == MB_YESNOCANCEL && kMbAbortRetryIgnore == MB_ABORTRETRYIGNORE);
static_assert(kMbRetryCancel == MB_RETRYCANCEL && kMbIconHand == MB_ICONHAND);
static_assert(kMbIconQuestion == MB_ICONQUESTION && kMbIconExclamation == MB_ICONEXCLAMATION);
static_assert(kMbIconAsterisk == MB_ICONASTERISK && kMbTaskModal == MB_TASKMODAL);
static_assert(kMbDefButton2 == MB_DEFBUTTON2 && kMbDefButton3 == MB_DEFBUTTON3);
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL && kIdAbort == IDABORT && kIdRetry == IDRETRY);
static_assert(kIdIgnore == IDIGNORE && kIdYes == IDYES && kIdNo == IDNO);
static_assert(clWindow == (kSystemColorFlag | COLOR_WINDOW) && clWindowText == (kSystemColorFlag | COLOR_WINDOWTEXT));
static_assert(clBtnFace == (kSystemColorFlag | COLOR_BTNFACE) && clBtnText == (kSystemColorFlag | COLOR_BTNTEXT));

HWND AsHwnd(WidgetHandle handle) { return reinterpret_cast<HWND>(handle); }
WidgetHandle AsHandle(HWND hwnd) { return reinterpret_cast<WidgetHandle>(hwnd); }

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(std::max(got, 0)));
}

}  // namespace

struct Win32Backend::Impl {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  Scaler scaler{kDesignPixelsPerInch};
  HWND timerSink = nullptr;
  std::unordered_map<HWND, TControl*> controls;
  std::unordered_map<HWND, HFONT> fonts;
  std::unordered_map<UINT_PTR, TTimer*> timers;
  std::map<COLORREF, HBRUSH> brushes;
  std::exception_ptr pending;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  TControl* Find(HWND hwnd) const {
    auto it = controls.find(hwnd);
    return it == controls.end() ? nullptr : it->second;
  }

  COLORREF Resolve(TColor color) const {
    return IsSystemColor(color) ? GetSysColor(SystemColorIndex(color)) : ColorRefOf(color);
  }

  HBRUSH Brush(TColor color) {
    if (IsSystemColor(color)) return GetSysColorBrush(SystemColorIndex(color));
    const COLORREF ref = ColorRefOf(color);
    auto it = brushes.find(ref);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(ref);
    brushes[ref] = brush;
    return brush;
  }

  void ApplyFont(HWND hwnd, const TControl& control) {
    const TFont& f = control.Font();
    HFONT font = CreateFontA(scaler.FontHeightToDevice(f.Height()), 0, 0, 0, native::FontWeight(f),
                             (f.Style() & fsItalic) != 0, (f.Style() & fsUnderline) != 0,
                             (f.Style() & fsStrikeOut) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             f.Name().c_str());
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // The old font only goes once the window no longer uses it.
    HFONT& slot = fonts[hwnd];
    if (slot != nullptr) DeleteObject(slot);
    slot = font;
  }

  RECT OuterRect(const TForm& form) const {
    const native::DeviceBounds client = native::ScaleFormClient(form, scaler);
    const native::WindowKind window = native::Describe(form);
    RECT r{0, 0, client.width, client.height};
    AdjustWindowRectEx(&r, window.style, FALSE, window.exStyle);
    return {client.x, client.y, client.x + (r.right - r.left), client.y + (r.bottom - r.top)};
  }

  void ApplyRange(HWND hwnd, const TProgressBar& bar) {
    if (auto packed = native::ProgressRange16(bar.Min(), bar.Max())) {
      SendMessageA(hwnd, PBM_SETRANGE, 0, static_cast<LPARAM>(*packed));
    } else {
      SendMessageA(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), static_cast<LPARAM>(bar.Max()));
    }
    SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
  }

  void ApplyPanels(HWND hwnd, const TStatusBar& bar) {
    std::vector<int> widths;
    for (int i = 0; i < bar.Panels().Count(); ++i) widths.push_back(bar.Panels().Items(i).Width());
    std::vector<int> edges = native::StatusPartEdges(widths, scaler);
    SendMessageA(hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < bar.Panels().Count(); ++i) SetPanelText(hwnd, i, bar.Panels().Items(i).Text());
    SendMessageA(hwnd, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(bar.SimpleText().c_str()));
    SendMessageA(hwnd, SB_SIMPLE, bar.SimplePanel() ? TRUE : FALSE, 0);
  }

  void SetPanelText(HWND hwnd, int index, const std::string& text) {
    SendMessageA(hwnd, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  }

  void PaintPanel(HWND hwnd, const TPanel& panel) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    if (panel.BevelOuter() != bvNone) {
      DrawEdge(dc, &r, panel.BevelOuter() == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
    if (!panel.Caption().empty()) {
      auto font = fonts.find(hwnd);
      HGDIOBJ old = font != fonts.end() && font->second != nullptr ? SelectObject(dc, font->second) : nullptr;
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, Resolve(panel.Font().Color()));
      DrawTextA(dc, panel.Caption().c_str(), static_cast<int>(panel.Caption().size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (old != nullptr) SelectObject(dc, old);
    }
    EndPaint(hwnd, &ps);
  }

  static TShiftState ShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    return shift;
  }

  // The form's shortcuts, then tab, arrow keys and the ampersand accelerators of its controls.
  bool DialogMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    for (const auto& [hwnd, control] : controls) {
      if (control->Kind() != ControlKind::Form) continue;
      if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) continue;
      auto* form = static_cast<TForm*>(control);
      if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
          form->IsShortCut(static_cast<unsigned>(msg.wParam), ShiftState())) {
        return true;
      }
      return IsDialogMessageA(hwnd, &msg) != FALSE;
    }
    return false;
  }

  void Rethrow() {
    if (!pending) return;
    std::exception_ptr error = pending;
    pending = nullptr;
    std::rethrow_exception(error);
  }
};

LRESULT CALLBACK Win32Backend::Impl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (impl == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  // No exception may unwind through the system's frames; it goes on from the dispatching call.
  try {
    return impl->Handle(hwnd, msg, wParam, lParam);
  } catch (...) {
    if (!impl->pending) impl->pending = std::current_exception();
    return 0;
  }
}

LRESULT Win32Backend::Impl::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // A registered message has no fixed number; the shell sends it to the foreground window only.
  static const UINT queryCancelAutoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
  if (msg == queryCancelAutoPlay && queryCancelAutoPlay != 0) {
    TControl* control = Find(hwnd);
    if (control != nullptr && control->Kind() == ControlKind::Form) {
      return static_cast<TForm*>(control)->QueryCancelAutoPlay() ? TRUE : FALSE;
    }
  }
  switch (msg) {
    case WM_COMMAND: {
      HWND child = reinterpret_cast<HWND>(lParam);
      TControl* control = child != nullptr ? Find(child) : nullptr;
      if (control == nullptr) break;
      const UINT code = HIWORD(wParam);
      const ControlKind kind = control->Kind();
      if (code == BN_CLICKED && (kind == ControlKind::Button || kind == ControlKind::CheckBox)) {
        control->NativeClicked(SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return 0;
      }
      if (code == EN_CHANGE && kind == ControlKind::Edit) {
        control->NativeTextChanged(WindowText(child));
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      TControl* control = Find(reinterpret_cast<HWND>(lParam));
      if (control == nullptr) break;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, Resolve(control->Font().Color()));
      SetBkColor(dc, Resolve(control->Color()));
      return reinterpret_cast<LRESULT>(Brush(control->Color()));
    }
    case WM_ERASEBKGND: {
      TControl* control = Find(hwnd);
      if (control == nullptr) break;
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, Brush(control->Color()));
      return 1;
    }
    case WM_PAINT: {
      TControl* control = Find(hwnd);
      if (control == nullptr || control->Kind() != ControlKind::Panel) break;
      PaintPanel(hwnd, static_cast<const TPanel&>(*control));
      return 0;
    }
    case WM_CLOSE: {
      TControl* control = Find(hwnd);
      if (control == nullptr || control->Kind() != ControlKind::Form) break;
      // The window stays; the form hides it and ends the loop (main form). It is destroyed with
      // the form object, so no handler still running can find its form gone.
      static_cast<TForm*>(control)->Close();
      return 0;
    }
    case WM_QUERYENDSESSION: {
      TControl* control = Find(hwnd);
      if (control == nullptr || control->Kind() != ControlKind::Form) break;
      return static_cast<TForm*>(control)->QueryEndSession() ? TRUE : FALSE;
    }
    case WM_POWERBROADCAST: {
      TControl* control = Find(hwnd);
      if (control == nullptr || control->Kind() != ControlKind::Form) break;
      // Only the suspend query (98, ME, 2000, XP) can be refused; every event is answered TRUE.
      return static_cast<TForm*>(control)->PowerBroadcast(static_cast<uint32_t>(wParam)) ? BROADCAST_QUERY_DENY : TRUE;
    }
    case WM_TIMER: {
      if (hwnd != timerSink) break;
      auto it = timers.find(wParam);
      if (it != timers.end()) it->second->Fire();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

Win32Backend::Win32Backend() : impl_(std::make_unique<Impl>()) {
  InitCommonControls();
  HDC screen = GetDC(nullptr);
  impl_->scaler = Scaler(GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);

  for (const char* name : {native::kFormClass, native::kPanelClass, native::kTimerSinkClass}) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &Impl::WindowProc;
    wc.hInstance = impl_->instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = name == native::kFormClass ? LoadIconA(nullptr, IDI_APPLICATION) : nullptr;
    wc.lpszClassName = name;
    RegisterClassA(&wc);  // a second back end in the same program finds them registered
  }
  impl_->timerSink = CreateWindowExA(0, native::kTimerSinkClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, impl_->instance, impl_.get());
  if (impl_->timerSink == nullptr) throw Exception("Error creating window");
}

Win32Backend::~Win32Backend() {
  for (const auto& [id, timer] : impl_->timers) KillTimer(impl_->timerSink, id);
  DestroyWindow(impl_->timerSink);
  for (const auto& [hwnd, font] : impl_->fonts) DeleteObject(font);
  for (const auto& [color, brush] : impl_->brushes) DeleteObject(brush);
  for (const char* name : {native::kFormClass, native::kPanelClass, native::kTimerSinkClass}) {
    UnregisterClassA(name, impl_->instance);
  }
}

int Win32Backend::PixelsPerInch() const { return impl_->scaler.PixelsPerInch(); }

void Win32Backend::CreateWidget(TControl& control) {
  const native::WindowKind window = native::Describe(control);
  const bool ownClass = control.Kind() == ControlKind::Form || control.Kind() == ControlKind::Panel;
  void* createParam = ownClass ? impl_.get() : nullptr;
  HWND hwnd = nullptr;
  if (control.Kind() == ControlKind::Form) {
    const RECT r = impl_->OuterRect(static_cast<const TForm&>(control));
    hwnd = CreateWindowExA(window.exStyle, window.className, control.Caption().c_str(), window.style, r.left,
                           r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, impl_->instance,
                           createParam);
  } else {
    const native::DeviceBounds b = native::ScaleBounds(control, impl_->scaler);
    HMENU id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.ControlId()));
    hwnd = CreateWindowExA(window.exStyle, window.className, control.Caption().c_str(), window.style, b.x, b.y,
                           b.width, b.height, AsHwnd(control.Parent()->Widget()), id, impl_->instance,
                           createParam);
  }
  if (hwnd == nullptr) throw Exception("Error creating window");
  impl_->controls[hwnd] = &control;
  control.AttachWidget(AsHandle(hwnd));
  impl_->ApplyFont(hwnd, control);

  switch (control.Kind()) {
    case ControlKind::CheckBox:
      SendMessageA(hwnd, BM_SETCHECK, static_cast<TCheckBox&>(control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::ProgressBar:
      impl_->ApplyRange(hwnd, static_cast<TProgressBar&>(control));
      break;
    case ControlKind::StatusBar:
      impl_->ApplyPanels(hwnd, static_cast<TStatusBar&>(control));
      break;
    default:
      break;
  }
  // New windows go below their siblings; the ones meant to lie behind all others go down again.
  if (const TWinControl* parent = control.Parent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      const TControl* sibling = parent->Controls(i);
      if (sibling->Widget() == 0 || !native::Describe(*sibling).behindSiblings) continue;
      SetWindowPos(AsHwnd(sibling->Widget()), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

void Win32Backend::UpdateWidget(TControl& control, Change what, int index) {
  HWND hwnd = AsHwnd(control.Widget());
  switch (what) {
    case Change::Bounds:
      if (control.Kind() == ControlKind::Form) {
        const RECT r = impl_->OuterRect(static_cast<const TForm&>(control));
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        const native::DeviceBounds b = native::ScaleBounds(control, impl_->scaler);
        MoveWindow(hwnd, b.x, b.y, b.width, b.height, TRUE);
      }
      break;
    case Change::Text:
      if (control.Kind() == ControlKind::StatusBar) {
        // A status bar's window text is its first part; its caption is the simple-mode text.
        SendMessageA(hwnd, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(control.Caption().c_str()));
      } else {
        SetWindowTextA(hwnd, control.Caption().c_str());
      }
      break;
    case Change::Visible:
      ShowWindow(hwnd, control.Visible() ? SW_SHOW : SW_HIDE);
      break;
    case Change::Enabled:
      EnableWindow(hwnd, control.Enabled() ? TRUE : FALSE);
      break;
    case Change::Checked:
      SendMessageA(hwnd, BM_SETCHECK, static_cast<TCheckBox&>(control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Change::Font:
      impl_->ApplyFont(hwnd, control);
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case Change::Color:
    case Change::Bevel:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case Change::Range:
    case Change::Position:
      impl_->ApplyRange(hwnd, static_cast<TProgressBar&>(control));
      break;
    case Change::Panels:
    case Change::SimplePanel:
      impl_->ApplyPanels(hwnd, static_cast<TStatusBar&>(control));
      break;
    case Change::PanelText: {
      const auto& bar = static_cast<TStatusBar&>(control);
      if (index >= 0 && index < bar.Panels().Count()) {
        impl_->SetPanelText(hwnd, index, bar.Panels().Items(index).Text());
      }
      break;
    }
    case Change::BorderStyle:
      SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(native::Describe(control).style));
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
  }
}

void Win32Backend::DestroyWidget(TControl& control) {
  HWND hwnd = AsHwnd(control.Widget());
  impl_->controls.erase(hwnd);
  DestroyWindow(hwnd);
  auto font = impl_->fonts.find(hwnd);
  if (font != impl_->fonts.end()) {
    DeleteObject(font->second);
    impl_->fonts.erase(font);
  }
  control.AttachWidget(0);
}

FrameSize Win32Backend::FormFrame(const TForm& form) {
  const native::WindowKind window = native::Describe(form);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, window.style, FALSE, window.exStyle);
  return {impl_->scaler.ToDesign(r.right - r.left), impl_->scaler.ToDesign(r.bottom - r.top)};
}

void Win32Backend::StartTimer(TTimer& timer) {
  const auto id = static_cast<UINT_PTR>(timer.TimerId());
  SetTimer(impl_->timerSink, id, timer.Interval(), nullptr);
  impl_->timers[id] = &timer;
}

void Win32Backend::StopTimer(TTimer& timer) {
  const auto id = static_cast<UINT_PTR>(timer.TimerId());
  KillTimer(impl_->timerSink, id);
  impl_->timers.erase(id);
}

int Win32Backend::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  const int answer = ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
  impl_->Rethrow();
  return answer;
}

bool Win32Backend::RunOpenDialog(OpenFileRequest& request) {
  const std::string filter = native::DoubleNulFilter(request.filters);
  std::vector<char> file(1024, '\0');
  std::copy_n(request.fileName.begin(), std::min(request.fileName.size(), file.size() - 1), file.begin());

  OPENFILENAMEA ofn{};
  // The size that every version of the dialog accepts, the consumer family's included.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  const TControl* owner = request.owner;
  ofn.hwndOwner = owner != nullptr && owner->Widget() != 0 ? AsHwnd(owner->Widget()) : nullptr;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = request.initialDir.empty() ? nullptr : request.initialDir.c_str();
  ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  ofn.Flags = native::OpenDialogFlags();
  const BOOL confirmed = GetOpenFileNameA(&ofn);
  impl_->Rethrow();
  if (!confirmed) return false;
  request.fileName = file.data();
  return true;
}

MessageResult Win32Backend::HandleMessage(bool wait) {
  MSG msg;
  if (wait) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) return MessageResult::Quit;
  } else {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return MessageResult::NoMessage;
    if (msg.message == WM_QUIT) return MessageResult::Quit;
  }
  if (!impl_->DialogMessage(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  impl_->Rethrow();
  return MessageResult::Handled;
}

void Win32Backend::PostQuit() { PostQuitMessage(0); }

void Win32Backend::SetShutdownBlockReason(TForm& form, const std::string& reason) {
  const auto hwnd = reinterpret_cast<HWND>(form.Widget());
  if (hwnd == nullptr) return;
  // Only newer systems can show a reason; older ones have no such entry point.
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return;
  if (reason.empty()) {
    using DestroyFn = BOOL(WINAPI*)(HWND);
    auto destroy = reinterpret_cast<DestroyFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ShutdownBlockReasonDestroy")));
    if (destroy != nullptr) destroy(hwnd);
    return;
  }
  using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
  auto create =
      reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(user32, "ShutdownBlockReasonCreate")));
  if (create == nullptr) return;
  std::wstring wide(reason.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  if (length > 0) create(hwnd, wide.c_str());
}

std::string Win32Backend::ModulePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, std::min<DWORD>(length, MAX_PATH));
}

}  // namespace ui
