// rename-imports: points a copy of a 32-bit Windows program at the 98 SE personality's shim DLLs
// (import_renamer.h), rewriting the file in place. Runs on the build machine, for the end-to-end
// scenarios. Prints each renamed DLL; exit 1 when the file cannot be read, written or understood,
// or names none of the DLLs the personality replaces.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "emu/shim98/import_renamer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rename-imports PROGRAM.EXE   (rewritten in place)\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "rename-imports: cannot read %s\n", argv[1]);
      return 1;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const emu::shim98::RenameResult r = emu::shim98::RenameImportedDlls(bytes, emu::shim98::PersonalityRenames());
  if (!r.ok) {
    std::fprintf(stderr, "rename-imports: %s: %s\n", argv[1], r.error.c_str());
    return 1;
  }
  if (r.renamed.empty()) {
    std::fprintf(stderr, "rename-imports: %s imports none of the DLLs the personality replaces\n", argv[1]);
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "rename-imports: cannot write %s\n", argv[1]);
    return 1;
  }
  for (const emu::shim98::DllRename& d : r.renamed) std::printf("%s -> %s\n", d.from.c_str(), d.to.c_str());
  return 0;
}
