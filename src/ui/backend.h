// The back-end interface: what the widget classes ask of the system that shows them. The Win32 back
// end mirrors each control in a real window; the headless one (native tests) keeps only records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/ui_types.h"

namespace ui {

class TControl;
class TForm;
class TTimer;

// The property of a control that has just changed; index names the status panel for PanelText.
enum class Change {
  Bounds,
  Text,
  Visible,
  Enabled,
  Checked,
  Font,
  Color,
  Range,
  Position,
  Panels,
  PanelText,
  SimplePanel,
  BorderStyle,
  Bevel,
};

// One entry of an open dialog's filter: "Firmware (*.CVT)" and "*.CVT".
struct FileFilter {
  std::string description;
  std::string pattern;
  bool operator==(const FileFilter&) const = default;
};

struct OpenFileRequest {
  std::vector<FileFilter> filters;
  std::string fileName;  // proposed name in; the chosen full path out when confirmed
  std::string initialDir;
  std::string title;  // empty: the system's own title
  const TControl* owner = nullptr;  // the window the dialog is modal to, if any
};

// Size of a form's non-client area (borders, title bar) in design pixels.
struct FrameSize {
  int width = 0;
  int height = 0;
};

enum class MessageResult { Handled, Quit, NoMessage };

class Backend {
 public:
  Backend() = default;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;
  virtual ~Backend() = default;

  // A control gets its widget once it has a parent that has one (a form needs no parent). The
  // back end attaches its handle with TControl::AttachWidget and reads every property it needs.
  virtual void CreateWidget(TControl& control) = 0;
  virtual void UpdateWidget(TControl& control, Change what, int index) = 0;
  // Children are destroyed before their parent.
  virtual void DestroyWidget(TControl& control) = 0;
  virtual FrameSize FormFrame(const TForm& form) = 0;

  // (Re)starts the timer's period with its current interval; stops it.
  virtual void StartTimer(TTimer& timer) = 0;
  virtual void StopTimer(TTimer& timer) = 0;

  // A modal message box without owner window; the answer is the button's id (kIdOk, ...).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // True when the user confirmed a file; request.fileName then holds its full path.
  virtual bool RunOpenDialog(OpenFileRequest& request) = 0;

  // Handles one message; with wait, blocks until there is one. Quit once the quit request arrives.
  virtual MessageResult HandleMessage(bool wait) = 0;
  // Asks the message loop to end once the messages already queued are handled.
  virtual void PostQuit() = 0;

  // Tells the system why the form's program must not be ended now (an empty reason withdraws it),
  // where the system can show such a reason.
  virtual void SetShutdownBlockReason(TForm& form, const std::string& reason) = 0;
  // The full path of the running program.
  virtual std::string ModulePath() = 0;

  // Control and timer ids, unique per back end and given in creation order, so the same program
  // gives every control the same id on every run.
  int AllocateId() { return nextId_++; }

 private:
  int nextId_ = 100;
};

}  // namespace ui
