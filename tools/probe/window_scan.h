// What the probe sees of another process's windows: the program's main window with its controls,
// the status bar's parts and the progress bar's position, and any message box. Everything is read
// with window messages; nothing depends on pixel positions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace probe {

struct Control {
  HWND hwnd;
  std::string className;
  std::string text;
  bool visible;
  bool enabled;
  int checked;  // BM_GETCHECK for check boxes and radio buttons, -1 for everything else
  int id;
};

struct BoxWindow {
  HWND hwnd;
  std::string title;
  std::string text;                // the static control with id 0xFFFF
  std::vector<Control> buttons;
};

// The first visible top-level window of the form class, or with this exact title when title is
// not empty; null when there is none.
HWND FindMainWindow(const std::string& title);
// Every descendant window, in control id order.
std::vector<Control> Controls(HWND parent);
// Visible dialog boxes (#32770) of other processes.
std::vector<BoxWindow> Boxes();

std::string WindowText(HWND hwnd);

// Quick reading, for a window whose thread answers messages only now and then (a handler that
// sleeps between steps): texts as the window manager holds them (no WM_GETTEXT), no check states
// (-1), no status parts or progress position. Off by default.
void SetQuickReading(bool quick);
// The texts of a status bar's parts, read through the owning process's memory (the status bar's
// messages carry a pointer that only means something inside that process).
std::vector<std::string> StatusParts(HWND bar);
int ProgressPosition(HWND bar);

// The lines `probe list` prints.
std::vector<std::string> ListLines(HWND main);
std::vector<std::string> BoxLines(const std::vector<BoxWindow>& boxes);

// A caption as given on the command line matches a control's text exactly, or with the accelerator
// ampersands left out of both and letter case ignored ("OK" matches "&OK").
bool CaptionMatches(const std::string& wanted, const std::string& text);

}  // namespace probe
