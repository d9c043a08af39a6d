// Open-file dialog: filter parsing and the request to the back end.
#include "ui/open_dialog.h"

#include <utility>

#include "ui/application.h"
#include "ui/form.h"

namespace ui {

std::vector<FileFilter> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    const size_t bar = filter.find('|', start);
    if (bar == std::string::npos) {
      parts.push_back(filter.substr(start));
      break;
    }
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i + 1].empty()) continue;
    filters.push_back({parts[i].empty() ? parts[i + 1] : parts[i], parts[i + 1]});
  }
  return filters;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
  Backend* backend = GetBackend();
  if (backend == nullptr) return false;
  OpenFileRequest request;
  request.filters = ParseFilter(filter_);
  request.fileName = fileName_;
  request.initialDir = initialDir_;
  request.title = title_;
  if (Application != nullptr) request.owner = Application->MainForm();
  if (!backend->RunOpenDialog(request)) return false;
  fileName_ = std::move(request.fileName);
  return true;
}

}  // namespace ui
