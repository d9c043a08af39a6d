// The open-file dialog: a filter in the form designer's "Description|pattern|..." form, a file
// name in and out, Execute to show it modally.
#pragma once

#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/component.h"

namespace ui {

// Splits "Text|*.EXT|Other|*.OTH" into pairs. A trailing description without a pattern and pairs
// with an empty pattern are left out; an empty description is shown as its pattern.
std::vector<FileFilter> ParseFilter(const std::string& filter);

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner);

  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string filter) { filter_ = std::move(filter); }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(std::string dir) { initialDir_ = std::move(dir); }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // Shows the dialog, modal to the application's main form. True when the user confirmed a file;
  // FileName then holds its full path. Cancel leaves FileName as it was.
  bool Execute();

 private:
  std::string filter_;
  std::string fileName_;
  std::string initialDir_;
  std::string title_;
};

}  // namespace ui
