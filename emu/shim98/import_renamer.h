// Renames the DLLs a 32-bit Windows program imports from, in place in its file image: the 98 SE
// personality of the end-to-end scenarios points the real program at its shim DLLs this way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emu::shim98 {

struct DllRename {
  std::string from;  // compared without case, as the loader does
  std::string to;    // at most as long as `from`: the name is rewritten where it stands
};

struct RenameResult {
  bool ok = false;
  std::string error;                  // why the image was left untouched
  std::vector<std::string> imported;  // every DLL the import table names, in table order
  std::vector<DllRename> renamed;     // the names rewritten, as they stood and as they are now
};

// The shim DLLs of the 98 SE personality, each named as long as the DLL it stands in for.
const std::vector<DllRename>& PersonalityRenames();

// Rewrites the name of every import descriptor whose DLL is a `from` of `renames`. The image is
// changed only when the whole import table could be read; `renamed` may be empty.
RenameResult RenameImportedDlls(std::vector<uint8_t>& image, const std::vector<DllRename>& renames);

}  // namespace emu::shim98
