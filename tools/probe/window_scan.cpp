// Reading another process's windows: texts by WM_GETTEXT with a time-out (so a hung program cannot
// hang the probe), or in quick reading as the window manager holds them, states by the plain
// queries, status bar texts through remote memory.
#include "tools/probe/window_scan.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

namespace probe {
namespace {

bool g_quick = false;  // SetQuickReading

constexpr UINT kTextTimeoutMs = 3000;
constexpr int kMessageTextId = 0xFFFF;

std::string ClassOf(HWND hwnd) {
  char name[128] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

bool IsCheckable(HWND hwnd) {
  switch (GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return true;
    default: return false;
  }
}

Control Describe(HWND hwnd) {
  Control c{hwnd, ClassOf(hwnd), WindowText(hwnd), IsWindowVisible(hwnd) != FALSE, IsWindowEnabled(hwnd) != FALSE,
            -1, GetDlgCtrlID(hwnd)};
  if (!g_quick && _stricmp(c.className.c_str(), "Button") == 0 && IsCheckable(hwnd)) {
    DWORD_PTR state = 0;
    if (SendMessageTimeoutA(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &state) != 0) {
      c.checked = static_cast<int>(state);
    }
  }
  return c;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopLevel() {
  std::vector<HWND> all;
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&all));
  return all;
}

// Line fields are separated by '|', lines by newlines: keep a text on one line.
std::string Field(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out.push_back(c);
    }
  }
  return out;
}

std::string Flag(bool b) { return b ? "1" : "0"; }

std::string Folded(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c != '&') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

}  // namespace

void SetQuickReading(bool quick) { g_quick = quick; }

namespace {

std::string HeldText(HWND hwnd) {
  wchar_t wide[512] = {};
  const int length = InternalGetWindowText(hwnd, wide, static_cast<int>(sizeof wide / sizeof wide[0]));
  std::string text(static_cast<size_t>(length) * 3 + 1, '\0');
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
  return text;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  if (g_quick) return HeldText(hwnd);
  DWORD_PTR length = 0;
  if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &length) == 0) {
    return "";
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          kTextTimeoutMs, &copied) == 0) {
    return "";
  }
  text.resize(std::min<size_t>(copied, length));
  return text;
}

HWND FindMainWindow(const std::string& title) {
  for (HWND hwnd : TopLevel()) {
    if (ClassOf(hwnd) != "UiForm" || !IsWindowVisible(hwnd)) continue;
    if (title.empty() || WindowText(hwnd) == title) return hwnd;
  }
  return nullptr;
}

std::vector<Control> Controls(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  std::vector<Control> controls;
  for (HWND hwnd : all) controls.push_back(Describe(hwnd));
  std::stable_sort(controls.begin(), controls.end(), [](const Control& a, const Control& b) { return a.id < b.id; });
  return controls;
}

std::vector<BoxWindow> Boxes() {
  std::vector<BoxWindow> boxes;
  const DWORD self = GetCurrentProcessId();
  for (HWND hwnd : TopLevel()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == self || ClassOf(hwnd) != "#32770" || !IsWindowVisible(hwnd)) continue;
    BoxWindow box{hwnd, WindowText(hwnd), "", {}};
    if (HWND text = GetDlgItem(hwnd, kMessageTextId)) box.text = WindowText(text);
    for (const Control& c : Controls(hwnd)) {
      if (_stricmp(c.className.c_str(), "Button") == 0) box.buttons.push_back(c);
    }
    boxes.push_back(box);
  }
  return boxes;
}

std::vector<std::string> StatusParts(HWND bar) {
  std::vector<std::string> parts;
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return parts;
  constexpr SIZE_T kSize = 1024;
  void* remote = VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote != nullptr) {
    const int count = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    for (int i = 0; i < count && i < 256; ++i) {
      const LRESULT length = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, i, 0));
      std::string text;
      if (length > 0 && static_cast<SIZE_T>(length) < kSize) {
        SendMessageA(bar, SB_GETTEXTA, i, reinterpret_cast<LPARAM>(remote));
        std::string buffer(static_cast<size_t>(length) + 1, '\0');
        SIZE_T read = 0;
        if (ReadProcessMemory(process, remote, buffer.data(), buffer.size(), &read) != 0) {
          text.assign(buffer.c_str());
        }
      }
      parts.push_back(text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return parts;
}

int ProgressPosition(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }

std::vector<std::string> ListLines(HWND main) {
  std::vector<std::string> lines;
  lines.push_back("title|" + Field(WindowText(main)));
  std::vector<std::string> extra;
  for (const Control& c : Controls(main)) {
    lines.push_back(c.className + "|" + Field(c.text) + "|" + Flag(c.visible) + "|" + Flag(c.enabled) + "|" +
                    (c.checked < 0 ? std::string("-") : std::to_string(c.checked)) + "|" + std::to_string(c.id));
    if (g_quick) continue;
    if (_stricmp(c.className.c_str(), STATUSCLASSNAMEA) == 0) {
      const std::vector<std::string> parts = StatusParts(c.hwnd);
      for (size_t i = 0; i < parts.size(); ++i) extra.push_back("status|" + std::to_string(i) + "|" + Field(parts[i]));
    } else if (_stricmp(c.className.c_str(), PROGRESS_CLASSA) == 0) {
      extra.push_back("progress|" + std::to_string(ProgressPosition(c.hwnd)));
    }
  }
  lines.insert(lines.end(), extra.begin(), extra.end());
  return lines;
}

std::vector<std::string> BoxLines(const std::vector<BoxWindow>& boxes) {
  std::vector<std::string> lines;
  for (const BoxWindow& box : boxes) {
    lines.push_back("box|" + Field(box.title) + "|" + Field(box.text));
    for (const Control& b : box.buttons) {
      lines.push_back("box-button|" + Field(b.text) + "|" + Flag(b.enabled) + "|" + std::to_string(b.id));
    }
  }
  return lines;
}

bool CaptionMatches(const std::string& wanted, const std::string& text) {
  return wanted == text || Folded(wanted) == Folded(text);
}

}  // namespace probe
