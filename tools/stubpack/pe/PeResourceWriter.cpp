#include "pe/PeResourceWriter.h"

#include "base/PackError.h"

namespace {

constexpr uint32_t kInitializedData = 0x40;

bool SameEntries(ResourceTable a, ResourceTable b) {
  a.Sort();
  b.Sort();
  if (a.Entries().size() != b.Entries().size()) return false;
  for (size_t i = 0; i < a.Entries().size(); ++i) {
    const ResourceEntry& x = a.Entries()[i];
    const ResourceEntry& y = b.Entries()[i];
    if (!(x.type == y.type) || !(x.name == y.name) || x.language != y.language ||
        x.codePage != y.codePage || x.data != y.data) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<uint8_t> ReplaceResources(const std::vector<uint8_t>& image,
                                      const ResourceTable& resources, const std::string& what) {
  auto refuse = [&what](const std::string& why) { return PackError(what + ": " + why); };
  const PeLayout layout = ReadPeLayout(image, what);
  if (layout.Directory(kCertificateTable).size != 0) {
    throw refuse("the program is signed; sign the installer after packing instead");
  }
  if (layout.ImageFileEnd() != image.size()) {
    throw refuse("data follows the program's sections; only a plain program can be given "
                 "new resources");
  }
  const PeDataDirectory directory = layout.Directory(kResourceDirectory);
  size_t r = 0;
  while (r < layout.sections.size() &&
         (directory.address == 0 || layout.sections[r].virtualAddress != directory.address)) {
    ++r;
  }
  if (r == layout.sections.size()) throw refuse("no resource section of its own");
  // Only the base relocations may follow: nothing refers to them by address, so they can move.
  const PeDataDirectory relocations = layout.Directory(kBaseRelocations);
  for (size_t i = r + 1; i < layout.sections.size(); ++i) {
    const PeSection& s = layout.sections[i];
    const bool holdsRelocations = relocations.size != 0 &&
                                  relocations.address >= s.virtualAddress &&
                                  relocations.address - s.virtualAddress < s.virtualSize;
    if (!holdsRelocations || s.rawSize == 0) {
      throw refuse("the section " + s.name + " follows the resources and cannot be moved");
    }
  }

  const PeSection& old = layout.sections[r];
  const std::vector<uint8_t> section = BuildResourceSection(resources, old.virtualAddress);
  const uint32_t sectionSize = static_cast<uint32_t>(section.size());
  std::vector<uint8_t> out(image.begin(), image.begin() + old.rawOffset);
  out.insert(out.end(), section.begin(), section.end());
  out.resize(AlignUp(static_cast<uint32_t>(out.size()), layout.fileAlignment));
  std::vector<PeSection> sections = layout.sections;
  sections[r].virtualSize = sectionSize;
  sections[r].rawSize = static_cast<uint32_t>(out.size()) - old.rawOffset;
  uint32_t nextAddress = old.virtualAddress + AlignUp(sectionSize, layout.sectionAlignment);
  std::vector<PeDataDirectory> directories = layout.directories;
  directories[kResourceDirectory].size = sectionSize;
  for (size_t i = r + 1; i < sections.size(); ++i) {
    PeSection& s = sections[i];
    const uint32_t shift = nextAddress - s.virtualAddress;  // modulo 2^32: moves either way
    for (size_t d = 0; d < directories.size(); ++d) {
      if (d != kCertificateTable && directories[d].address >= s.virtualAddress &&
          directories[d].address - s.virtualAddress < s.virtualSize) {
        directories[d].address += shift;
      }
    }
    const uint8_t* bytes = image.data() + s.rawOffset;
    s.rawOffset = static_cast<uint32_t>(out.size());
    s.virtualAddress = nextAddress;
    out.insert(out.end(), bytes, bytes + s.rawSize);
    nextAddress += AlignUp(s.virtualSize, layout.sectionAlignment);
  }

  for (size_t i = 0; i < sections.size(); ++i) {
    uint8_t* entry = out.data() + layout.sectionTableOffset + 40 * i;
    PutLe32(entry + 8, sections[i].virtualSize);
    PutLe32(entry + 12, sections[i].virtualAddress);
    PutLe32(entry + 16, sections[i].rawSize);
    PutLe32(entry + 20, sections[i].rawOffset);
  }
  for (size_t d = 0; d < directories.size(); ++d) {
    PutLe32(out.data() + layout.DirectoryOffset(d), directories[d].address);
    PutLe32(out.data() + layout.DirectoryOffset(d) + 4, directories[d].size);
  }
  PutLe32(out.data() + layout.SizeOfImageOffset(), nextAddress);
  if (old.characteristics & kInitializedData) {
    uint8_t* field = out.data() + layout.SizeOfInitializedDataOffset();
    PutLe32(field, GetLe32(field) - old.rawSize + sections[r].rawSize);
  }
  PutLe32(out.data() + layout.ChecksumOffset(), PeChecksumOf(out, layout.ChecksumOffset()));

  // What was written must read back as exactly what was asked for.
  const PeLayout written = ReadPeLayout(out, what + " (rewritten)");
  if (!SameEntries(ReadResources(out, written, what + " (rewritten)"), resources)) {
    throw refuse("internal error: the rewritten resources do not read back");
  }
  return out;
}
