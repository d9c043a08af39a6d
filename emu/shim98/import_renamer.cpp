// The import table walk of import_renamer.h: DOS header, PE header, the import directory, each
// descriptor's name, every offset checked against the file before it is read.
#include "emu/shim98/import_renamer.h"

#include <cctype>
#include <optional>

namespace emu::shim98 {
namespace {

// PE/COFF layout, as Microsoft documents the executable image format.
constexpr size_t kDosLfanewOffset = 0x3C;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kCoffSectionCountOffset = 2;
constexpr size_t kCoffOptionalSizeOffset = 16;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kPe32DirectoryCountOffset = 92;
constexpr size_t kPe32PlusDirectoryCountOffset = 108;
constexpr uint32_t kImportDirectoryIndex = 1;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSectionVirtualSizeOffset = 8;
constexpr size_t kSectionAddressOffset = 12;
constexpr size_t kSectionRawSizeOffset = 16;
constexpr size_t kSectionRawPointerOffset = 20;
constexpr size_t kImportDescriptorSize = 20;
constexpr size_t kDescriptorNameOffset = 12;
constexpr size_t kDescriptorFirstThunkOffset = 16;
// More descriptors than any real program has: a table without its terminator ends here.
constexpr size_t kMaxDescriptors = 4096;

class Image {
 public:
  explicit Image(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  std::optional<uint16_t> U16(size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
    return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::optional<uint32_t> U32(size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
    return static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<uint32_t>(bytes_[at + 2]) << 16 | static_cast<uint32_t>(bytes_[at + 3]) << 24;
  }
  size_t Size() const { return bytes_.size(); }
  uint8_t At(size_t at) const { return bytes_[at]; }

 private:
  const std::vector<uint8_t>& bytes_;
};

struct Section {
  uint32_t address;
  uint32_t rawSize;
  uint32_t rawPointer;
};

// The file offset of an RVA and how many bytes of its section's raw data follow it.
struct Place {
  size_t offset;
  size_t available;
};

std::optional<Place> Locate(const Image& image, const std::vector<Section>& sections, uint32_t rva) {
  for (const Section& s : sections) {
    if (rva < s.address || rva - s.address >= s.rawSize) continue;
    const size_t offset = static_cast<size_t>(s.rawPointer) + (rva - s.address);
    const size_t end = static_cast<size_t>(s.rawPointer) + s.rawSize;
    if (offset >= image.Size()) return std::nullopt;
    return Place{offset, (end < image.Size() ? end : image.Size()) - offset};
  }
  return std::nullopt;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

RenameResult Fail(std::string why) {
  RenameResult r;
  r.error = std::move(why);
  return r;
}

}  // namespace

const std::vector<DllRename>& PersonalityRenames() {
  static const std::vector<DllRename> renames = {
      {"KERNEL32.dll", "KERNEL98.dll"},
      {"ADVAPI32.dll", "ADVAPI98.dll"},
      {"USER32.dll", "USER98.dll"},
      {"msvcrt.dll", "msvc98.dll"},
  };
  return renames;
}

RenameResult RenameImportedDlls(std::vector<uint8_t>& bytes, const std::vector<DllRename>& renames) {
  for (const DllRename& r : renames) {
    if (r.to.empty() || r.to.size() > r.from.size()) return Fail("the new name " + r.to + " does not fit in place of " + r.from);
  }
  const Image image(bytes);
  if (image.Size() < 2 || image.At(0) != 'M' || image.At(1) != 'Z') return Fail("no MZ header");
  const auto lfanew = image.U32(kDosLfanewOffset);
  if (!lfanew) return Fail("the file ends inside the DOS header");
  const size_t pe = *lfanew;
  const auto signature = image.U32(pe);
  if (!signature || *signature != 0x00004550) return Fail("no PE signature");
  const size_t coff = pe + 4;
  const auto sectionCount = image.U16(coff + kCoffSectionCountOffset);
  const auto optionalSize = image.U16(coff + kCoffOptionalSizeOffset);
  if (!sectionCount || !optionalSize) return Fail("the file ends inside the COFF header");
  const size_t optional = coff + kCoffHeaderSize;
  const auto magic = image.U16(optional);
  if (!magic || (*magic != kPe32Magic && *magic != kPe32PlusMagic)) return Fail("no PE32 optional header");
  const size_t countOffset = *magic == kPe32Magic ? kPe32DirectoryCountOffset : kPe32PlusDirectoryCountOffset;
  const auto directoryCount = image.U32(optional + countOffset);
  if (!directoryCount) return Fail("the file ends inside the optional header");
  if (*directoryCount <= kImportDirectoryIndex) return Fail("the program has no import directory");
  const size_t directory = optional + countOffset + 4 + kImportDirectoryIndex * kDirectoryEntrySize;
  if (directory + kDirectoryEntrySize > optional + *optionalSize) return Fail("the import directory lies outside the optional header");
  const auto importRva = image.U32(directory);
  if (!importRva) return Fail("the file ends inside the data directories");
  if (*importRva == 0) return Fail("the program imports nothing");

  std::vector<Section> sections;
  const size_t table = optional + *optionalSize;
  for (size_t i = 0; i < *sectionCount; ++i) {
    const size_t h = table + i * kSectionHeaderSize;
    const auto virtualSize = image.U32(h + kSectionVirtualSizeOffset);
    const auto address = image.U32(h + kSectionAddressOffset);
    const auto rawSize = image.U32(h + kSectionRawSizeOffset);
    const auto rawPointer = image.U32(h + kSectionRawPointerOffset);
    if (!virtualSize || !address || !rawSize || !rawPointer) return Fail("the file ends inside the section table");
    // Bytes beyond the virtual size are padding, not part of the section as loaded.
    const uint32_t size = *virtualSize != 0 && *virtualSize < *rawSize ? *virtualSize : *rawSize;
    sections.push_back({*address, size, *rawPointer});
  }

  struct Rewrite {
    size_t offset;
    size_t length;
    const DllRename* rename;
  };
  std::vector<Rewrite> rewrites;
  RenameResult result;
  for (size_t i = 0;; ++i) {
    if (i == kMaxDescriptors) return Fail("the import table has no end");
    const auto place = Locate(image, sections, static_cast<uint32_t>(*importRva + i * kImportDescriptorSize));
    if (!place || place->available < kImportDescriptorSize) return Fail("the import table runs out of its section");
    const auto nameRva = image.U32(place->offset + kDescriptorNameOffset);
    const auto firstThunk = image.U32(place->offset + kDescriptorFirstThunkOffset);
    if (*nameRva == 0 && *firstThunk == 0) break;
    const auto name = Locate(image, sections, *nameRva);
    if (!name) return Fail("an import descriptor's name lies outside every section");
    size_t length = 0;
    while (length < name->available && image.At(name->offset + length) != 0) ++length;
    if (length == name->available) return Fail("an imported DLL's name has no end");
    const std::string dll(bytes.begin() + static_cast<std::ptrdiff_t>(name->offset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(name->offset + length));
    result.imported.push_back(dll);
    for (const DllRename& r : renames) {
      if (SameName(dll, r.from)) {
        rewrites.push_back({name->offset, length, &r});
        result.renamed.push_back({dll, r.to});
        break;
      }
    }
  }
  for (const Rewrite& w : rewrites) {
    for (size_t k = 0; k < w.length; ++k) bytes[w.offset + k] = k < w.rename->to.size() ? static_cast<uint8_t>(w.rename->to[k]) : 0;
  }
  result.ok = true;
  return result;
}

}  // namespace emu::shim98
