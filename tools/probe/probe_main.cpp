// probe.exe: observes and drives the program's window from outside, for the end-to-end scenarios.
// It finds windows by class and text and acts by window messages only (BM_CLICK, WM_COMMAND,
// WM_CLOSE), never by pixel positions. Exit status: 0 done, 1 not found / refused / timed out,
// 2 wrong usage. Commands and line formats: tests/e2e/README.md.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/probe/window_scan.h"

namespace {

constexpr DWORD kPollMs = 200;
constexpr double kDesktopWaitSeconds = 30;

constexpr const char* kUsage =
    "usage: probe [--title TITLE] [--desktop NAME] [--force] [--quick] COMMAND\n"
    "  list                  the main window, its controls, status parts, progress, message boxes\n"
    "  boxes                 the message boxes\n"
    "  click CAPTION         BM_CLICK to the visible, enabled control with this text\n"
    "  answer BUTTON         press a message box button (OK, Cancel, Yes, No, ...)\n"
    "  key COMBO             press keys on the main window, e.g. ctrl+shift+S\n"
    "  close                 WM_CLOSE to the main window\n"
    "  wait-window SECONDS   until the main window is shown\n"
    "  wait-box SECONDS      until a message box is shown, then print it\n"
    "  wait-no-box SECONDS   until no message box is shown\n"
    "  wait-gone SECONDS     until the main window is gone\n"
    "  wait SECONDS TEXT     until a line of `list` contains TEXT, then print that line\n"
    "  font FACE             the face and kind the font mapper gives for FACE, and the density\n";

struct Options {
  std::string title;
  bool force = false;
};

void Print(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "probe: %s\n", message.c_str());
  return 1;
}

// Polls until done() holds or the time is up.
bool WaitFor(double seconds, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  const DWORD limit = static_cast<DWORD>(seconds * 1000.0);
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= limit) return false;
    Sleep(kPollMs);
  }
}

std::vector<std::string> Everything(const Options& o) {
  std::vector<std::string> lines;
  if (HWND main = probe::FindMainWindow(o.title)) lines = probe::ListLines(main);
  const std::vector<std::string> boxes = probe::BoxLines(probe::Boxes());
  lines.insert(lines.end(), boxes.begin(), boxes.end());
  return lines;
}

int List(const Options& o) {
  HWND main = probe::FindMainWindow(o.title);
  const std::vector<std::string> lines = Everything(o);
  Print(lines);
  return main != nullptr ? 0 : Fail("no main window");
}

int Click(const Options& o, const std::string& caption) {
  HWND main = probe::FindMainWindow(o.title);
  if (main == nullptr) return Fail("no main window");
  const std::vector<probe::Control> controls = probe::Controls(main);
  const probe::Control* chosen = nullptr;
  for (const probe::Control& c : controls) {
    if (c.text == caption && (chosen == nullptr || (!chosen->visible && c.visible))) chosen = &c;
  }
  for (const probe::Control& c : controls) {
    if (chosen == nullptr && probe::CaptionMatches(caption, c.text) && c.visible) chosen = &c;
  }
  if (chosen == nullptr) return Fail("no control \"" + caption + "\"");
  // A user cannot click what is hidden or disabled; a scenario that tries has found a fault.
  if (!o.force && !chosen->visible) return Fail("\"" + caption + "\" is hidden");
  if (!o.force && !chosen->enabled) return Fail("\"" + caption + "\" is disabled");
  // Posted, not sent: the click may open a modal box, and the probe must not wait for it.
  PostMessageA(chosen->hwnd, BM_CLICK, 0, 0);
  return 0;
}

// Presses a key with modifiers ("ctrl+shift+S") as the user would, on the program's window.
int Key(const Options& o, const std::string& combo) {
  HWND main = probe::FindMainWindow(o.title);
  if (main == nullptr) return Fail("no main window");
  std::vector<BYTE> keys;
  size_t start = 0;
  while (start <= combo.size()) {
    const size_t plus = combo.find('+', start);
    const std::string part = combo.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    if (part == "ctrl") {
      keys.push_back(VK_CONTROL);
    } else if (part == "shift") {
      keys.push_back(VK_SHIFT);
    } else if (part == "alt") {
      keys.push_back(VK_MENU);
    } else if (part.size() == 1 && std::isalnum(static_cast<unsigned char>(part[0]))) {
      keys.push_back(static_cast<BYTE>(std::toupper(static_cast<unsigned char>(part[0]))));
    } else {
      return Fail("no key \"" + part + "\"");
    }
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  SetForegroundWindow(main);
  SetFocus(main);
  for (BYTE k : keys) keybd_event(k, 0, 0, 0);
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) keybd_event(*k, 0, KEYEVENTF_KEYUP, 0);
  return 0;
}

int Answer(const std::string& button) {
  for (const probe::BoxWindow& box : probe::Boxes()) {
    for (const probe::Control& b : box.buttons) {
      if (!probe::CaptionMatches(button, b.text)) continue;
      if (!b.visible || !b.enabled) return Fail("button \"" + button + "\" cannot be pressed");
      PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(b.id, BN_CLICKED), reinterpret_cast<LPARAM>(b.hwnd));
      return 0;
    }
  }
  return Fail("no message box with a button \"" + button + "\"");
}

// The face the font mapper picks for a face name (8 points on this display, as a control asks
// for it), its kind and the display's density. A picture shows the window as Windows draws it
// only when the faces it names are found; a host font standing in is wider than the design's
// bitmap font, and one standing in for Marlett shows the title-bar buttons as letters.
int Font(const std::string& face) {
  HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  HFONT font = CreateFontA(-MulDiv(8, ppi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  HGDIOBJ old = SelectObject(screen, font);
  char got[LF_FACESIZE] = "";
  GetTextFaceA(screen, sizeof got, got);
  TEXTMETRICA tm{};
  GetTextMetricsA(screen, &tm);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  // TMPF_VECTOR is set for TrueType faces too; a face with neither bit is a bitmap face.
  const char* kind = (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0  ? "truetype"
                     : (tm.tmPitchAndFamily & TMPF_VECTOR) != 0 ? "vector"
                                                                 : "raster";
  std::printf("font|%s|%s|%s|%d\n", face.c_str(), got, kind, ppi);
  std::fflush(stdout);
  return lstrcmpiA(got, face.c_str()) == 0 ? 0 : Fail(std::string(got) + " stands in for " + face);
}

bool Seconds(const char* text, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return end != text && *end == '\0' && out >= 0 && out <= 86400;
}

int Run(const Options& o, const std::vector<std::string>& args) {
  const std::string& command = args[0];
  const size_t n = args.size();
  double seconds = 0;
  if (command == "list" && n == 1) return List(o);
  if (command == "boxes" && n == 1) {
    Print(probe::BoxLines(probe::Boxes()));
    return 0;
  }
  if (command == "click" && n == 2) return Click(o, args[1]);
  if (command == "answer" && n == 2) return Answer(args[1]);
  if (command == "key" && n == 2) return Key(o, args[1]);
  if (command == "font" && n == 2) return Font(args[1]);
  if (command == "close" && n == 1) {
    HWND main = probe::FindMainWindow(o.title);
    if (main == nullptr) return Fail("no main window");
    PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command.rfind("wait", 0) == 0 && n >= 2 && !Seconds(args[1].c_str(), seconds)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (command == "wait-window" && n == 2) {
    return WaitFor(seconds, [&] { return probe::FindMainWindow(o.title) != nullptr; }) ? 0 : Fail("no main window");
  }
  if (command == "wait-gone" && n == 2) {
    return WaitFor(seconds, [&] { return probe::FindMainWindow(o.title) == nullptr; }) ? 0
                                                                                     : Fail("the main window stays");
  }
  if (command == "wait-box" && n == 2) {
    std::vector<probe::BoxWindow> boxes;
    if (!WaitFor(seconds, [&] { return !(boxes = probe::Boxes()).empty(); })) return Fail("no message box");
    Print(probe::BoxLines(boxes));
    return 0;
  }
  if (command == "wait-no-box" && n == 2) {
    return WaitFor(seconds, [] { return probe::Boxes().empty(); }) ? 0 : Fail("a message box stays");
  }
  if (command == "wait" && n == 3) {
    std::string found;
    const bool ok = WaitFor(seconds, [&] {
      for (const std::string& line : Everything(o)) {
        if (line.find(args[2]) != std::string::npos) {
          found = line;
          return true;
        }
      }
      return false;
    });
    if (!ok) {
      Print(Everything(o));  // what there was instead, for the scenario's log
      return Fail("no line with \"" + args[2] + "\"");
    }
    std::printf("%s\n", found.c_str());
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--title" && i + 1 < argc) {
      o.title = argv[++i];
    } else if (a == "--desktop" && i + 1 < argc) {
      // Windows of another desktop (Wine's virtual desktop "explorer /desktop=NAME") are only
      // enumerated from a thread on that desktop.
      // The desktop appears with its first program, so a probe started with it waits a little.
      const char* name = argv[++i];
      HDESK desktop = nullptr;
      WaitFor(kDesktopWaitSeconds, [&] { return (desktop = OpenDesktopA(name, 0, FALSE, GENERIC_ALL)) != nullptr; });
      if (desktop == nullptr || !SetThreadDesktop(desktop)) return Fail(std::string("no desktop ") + name);
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--quick") {
      probe::SetQuickReading(true);
    } else {
      args.push_back(a);
    }
  }
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return Run(o, args);
}
