#include "pe/PeResources.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "base/PackError.h"

namespace {

constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
// More than any program carries; bounds the work a hostile tree can ask for.
constexpr size_t kMaxResources = 4096;

struct TreeReader {
  const std::vector<uint8_t>& image;
  const PeLayout& layout;
  const std::string& what;
  size_t sectionOffset;  // the resource directory in the file
  size_t sectionSize;    // bytes of the section from the directory on
  ResourceTable table;
  std::set<uint32_t> visited;  // directories, each reachable once

  PackError Refuse(const std::string& why) const {
    return PackError(what + ": bad resource tree: " + why);
  }
  const uint8_t* At(uint32_t offset, size_t size) const {
    if (offset > sectionSize || sectionSize - offset < size) throw Refuse("offset out of range");
    return image.data() + sectionOffset + offset;
  }
  ResourceKey KeyOf(const uint8_t* entry) const {
    const uint32_t name = GetLe32(entry);
    if ((name & kSubdirectoryBit) == 0) {
      if (name > 0xFFFF) throw Refuse("resource id out of range");
      return ResourceKey::Id(static_cast<uint16_t>(name));
    }
    const uint32_t at = name & ~kSubdirectoryBit;
    const size_t length = GetLe16(At(at, 2));
    if (length == 0) throw Refuse("empty resource name");
    const uint8_t* text = At(at + 2, 2 * length);
    ResourceKey key;
    for (size_t i = 0; i < length; ++i) key.text.push_back(GetLe16(text + 2 * i));
    return key;
  }
  // Walks one directory; level 0 types, 1 names, 2 languages (whose entries are data).
  void Walk(uint32_t offset, int level, ResourceEntry path) {
    if (!visited.insert(offset).second) throw Refuse("a directory reached twice");
    const uint8_t* directory = At(offset, kDirectorySize);
    const size_t count = size_t{GetLe16(directory + 12)} + GetLe16(directory + 14);
    const uint8_t* entries = At(offset + kDirectorySize, count * kEntrySize);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* entry = entries + i * kEntrySize;
      const uint32_t target = GetLe32(entry + 4);
      const bool isDirectory = (target & kSubdirectoryBit) != 0;
      if (isDirectory != (level < 2)) throw Refuse("the tree is not three levels deep");
      if (level == 0) path.type = KeyOf(entry);
      if (level == 1) path.name = KeyOf(entry);
      if (level < 2) {
        Walk(target & ~kSubdirectoryBit, level + 1, path);
        continue;
      }
      const ResourceKey language = KeyOf(entry);
      if (language.IsText()) throw Refuse("a language given by name");
      path.language = language.id;
      const uint8_t* data = At(target, kDataEntrySize);
      const uint32_t rva = GetLe32(data), size = GetLe32(data + 4);
      path.codePage = GetLe32(data + 8);
      const uint8_t* bytes = image.data() + layout.FileOffset(rva, size);
      path.data.assign(bytes, bytes + size);
      if (table.Entries().size() == kMaxResources) throw Refuse("too many resources");
      if (!table.Add(path)) throw Refuse("a resource given twice");
    }
  }
};

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) { PutLe16(out.data() + at, v); }
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) { PutLe32(out.data() + at, v); }

}  // namespace

ResourceKey ResourceKey::Text(const std::string& ascii) {
  ResourceKey key;
  for (char c : ascii) key.text.push_back(static_cast<char16_t>(c));
  return key;
}

std::string ResourceKey::ToString() const {
  if (!IsText()) return std::to_string(id);
  std::string ascii;
  for (char16_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ascii;
}

bool operator<(const ResourceKey& a, const ResourceKey& b) {
  if (a.IsText() != b.IsText()) return a.IsText();
  return a.IsText() ? a.text < b.text : a.id < b.id;
}

bool operator==(const ResourceKey& a, const ResourceKey& b) {
  return a.id == b.id && a.text == b.text;
}

const ResourceEntry* ResourceTable::Find(const ResourceKey& type, const ResourceKey& name) const {
  for (const ResourceEntry& e : entries_) {
    if (e.type == type && e.name == name) return &e;
  }
  return nullptr;
}

std::vector<const ResourceEntry*> ResourceTable::OfType(const ResourceKey& type) const {
  std::vector<const ResourceEntry*> found;
  for (const ResourceEntry& e : entries_) {
    if (e.type == type) found.push_back(&e);
  }
  return found;
}

uint16_t ResourceTable::LanguageOf(const ResourceKey& type) const {
  for (const ResourceEntry& e : entries_) {
    if (e.type == type) return e.language;
  }
  return kLanguageEnUs;
}

void ResourceTable::RemoveType(const ResourceKey& type) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const ResourceEntry& e) { return e.type == type; }),
                 entries_.end());
}

bool ResourceTable::Add(ResourceEntry entry) {
  for (const ResourceEntry& e : entries_) {
    if (e.type == entry.type && e.name == entry.name && e.language == entry.language) {
      return false;
    }
  }
  entries_.push_back(std::move(entry));
  return true;
}

void ResourceTable::Replace(ResourceEntry entry) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const ResourceEntry& e) {
                                  return e.type == entry.type && e.name == entry.name;
                                }),
                 entries_.end());
  entries_.push_back(std::move(entry));
}

void ResourceTable::Sort() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const ResourceEntry& a, const ResourceEntry& b) {
                     if (!(a.type == b.type)) return a.type < b.type;
                     if (!(a.name == b.name)) return a.name < b.name;
                     return a.language < b.language;
                   });
}

ResourceTable ReadResources(const std::vector<uint8_t>& image, const PeLayout& layout,
                            const std::string& what) {
  const PeDataDirectory directory = layout.Directory(kResourceDirectory);
  if (directory.address == 0 || directory.size == 0) {
    throw PackError(what + ": no resource section");
  }
  const PeSection* section = layout.SectionAt(directory.address);
  if (section == nullptr || directory.address - section->virtualAddress >= section->rawSize) {
    throw PackError(what + ": the resource directory lies outside the file's sections");
  }
  const uint32_t inside = directory.address - section->virtualAddress;
  TreeReader reader{image, layout, what, size_t{section->rawOffset} + inside,
                    section->rawSize - inside, {}, {}};
  reader.Walk(0, 0, {});
  return reader.table;
}

std::vector<uint8_t> BuildResourceSection(ResourceTable table, uint32_t sectionRva) {
  table.Sort();
  const std::vector<ResourceEntry>& entries = table.Entries();
  // Where each type and each (type, name) group begins in the sorted entries.
  std::vector<size_t> typeStarts, nameStarts;
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool newType = i == 0 || !(entries[i].type == entries[i - 1].type);
    if (newType) typeStarts.push_back(i);
    if (newType || !(entries[i].name == entries[i - 1].name)) nameStarts.push_back(i);
  }
  auto groupEnd = [&](const std::vector<size_t>& starts, size_t k) {
    return k + 1 < starts.size() ? starts[k + 1] : entries.size();
  };
  const size_t typeDirectories = kDirectorySize + kEntrySize * typeStarts.size();
  const size_t nameDirectories = typeStarts.size() * kDirectorySize +
                                 nameStarts.size() * kEntrySize;
  const size_t languageDirectories = nameStarts.size() * kDirectorySize +
                                     entries.size() * kEntrySize;
  const size_t dataEntriesAt = typeDirectories + nameDirectories + languageDirectories;
  // Directories, then data entries; names are appended after them as they come up, and the
  // data after the names.
  std::vector<uint8_t> out(dataEntriesAt + entries.size() * kDataEntrySize);
  std::vector<std::pair<std::u16string, size_t>> strings;
  auto stringOffset = [&](const std::u16string& text) {
    for (const auto& s : strings) {
      if (s.first == text) return s.second;
    }
    const size_t at = out.size();
    out.resize(at + 2 + 2 * text.size());
    Put16(out, at, static_cast<uint32_t>(text.size()));
    for (size_t i = 0; i < text.size(); ++i) Put16(out, at + 2 + 2 * i, text[i]);
    strings.emplace_back(text, at);
    return at;
  };
  auto writeDirectory = [&](size_t at, size_t named, size_t numbered) {
    Put16(out, at + 12, static_cast<uint32_t>(named));
    Put16(out, at + 14, static_cast<uint32_t>(numbered));
  };
  auto writeEntry = [&](size_t at, const ResourceKey& key, uint32_t target) {
    Put32(out, at, key.IsText() ? kSubdirectoryBit | static_cast<uint32_t>(stringOffset(key.text))
                                : key.id);
    Put32(out, at + 4, target);
  };
  size_t namedTypes = 0;
  for (size_t start : typeStarts) namedTypes += entries[start].type.IsText();
  writeDirectory(0, namedTypes, typeStarts.size() - namedTypes);
  size_t nameDirectoryAt = typeDirectories;
  size_t languageDirectoryAt = typeDirectories + nameDirectories;
  size_t nameIndex = 0;
  size_t dataIndex = 0;
  for (size_t t = 0; t < typeStarts.size(); ++t) {
    writeEntry(kDirectorySize + kEntrySize * t, entries[typeStarts[t]].type,
               kSubdirectoryBit | static_cast<uint32_t>(nameDirectoryAt));
    const size_t typeEnd = groupEnd(typeStarts, t);
    size_t names = 0, namedNames = 0;
    for (size_t n = nameIndex; n < nameStarts.size() && nameStarts[n] < typeEnd; ++n) {
      ++names;
      namedNames += entries[nameStarts[n]].name.IsText();
    }
    writeDirectory(nameDirectoryAt, namedNames, names - namedNames);
    for (size_t k = 0; k < names; ++k, ++nameIndex) {
      const size_t first = nameStarts[nameIndex], last = groupEnd(nameStarts, nameIndex);
      writeEntry(nameDirectoryAt + kDirectorySize + kEntrySize * k, entries[first].name,
                 kSubdirectoryBit | static_cast<uint32_t>(languageDirectoryAt));
      writeDirectory(languageDirectoryAt, 0, last - first);
      for (size_t e = first; e < last; ++e, ++dataIndex) {
        writeEntry(languageDirectoryAt + kDirectorySize + kEntrySize * (e - first),
                   ResourceKey::Id(entries[e].language),
                   static_cast<uint32_t>(dataEntriesAt + kDataEntrySize * dataIndex));
      }
      languageDirectoryAt += kDirectorySize + kEntrySize * (last - first);
    }
    nameDirectoryAt += kDirectorySize + kEntrySize * names;
  }
  // The data, each blob 8-byte aligned, described by its data entry.
  for (size_t e = 0; e < entries.size(); ++e) {
    out.resize(AlignUp(static_cast<uint32_t>(out.size()), 8));
    const size_t at = out.size();
    out.insert(out.end(), entries[e].data.begin(), entries[e].data.end());
    const size_t entry = dataEntriesAt + kDataEntrySize * e;
    Put32(out, entry, sectionRva + static_cast<uint32_t>(at));
    Put32(out, entry + 4, static_cast<uint32_t>(entries[e].data.size()));
    Put32(out, entry + 8, entries[e].codePage);
  }
  return out;
}
