// The resources of a PE image as a flat table (type, name, language -> bytes), read from the
// image's resource tree, and written back as a new resource section.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe/PeLayout.h"

// A resource type or name: a number, or a string when `text` is not empty.
struct ResourceKey {
  uint16_t id = 0;
  std::u16string text;

  static ResourceKey Id(uint16_t id) { return {id, {}}; }
  static ResourceKey Text(const std::string& ascii);
  bool IsText() const { return !text.empty(); }
  std::string ToString() const;  // "3" or "STUBKIT"
};
// Resource tree order: names (as compared by their UTF-16 units) before numbers.
bool operator<(const ResourceKey& a, const ResourceKey& b);
bool operator==(const ResourceKey& a, const ResourceKey& b);

enum ResourceType : uint16_t { kRtIcon = 3, kRtGroupIcon = 14, kRtVersion = 16,
                               kRtManifest = 24 };
constexpr uint16_t kLanguageEnUs = 1033;

struct ResourceEntry {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

class ResourceTable {
 public:
  const std::vector<ResourceEntry>& Entries() const { return entries_; }
  // The first entry of a type and name (any language), or null.
  const ResourceEntry* Find(const ResourceKey& type, const ResourceKey& name) const;
  std::vector<const ResourceEntry*> OfType(const ResourceKey& type) const;
  // The language of the first entry of a type, else en-US: replacements keep the stub's.
  uint16_t LanguageOf(const ResourceKey& type) const;
  void RemoveType(const ResourceKey& type);
  // Adds an entry; false when its type, name and language are taken.
  bool Add(ResourceEntry entry);
  // Replaces every language of (type, name) with this one entry.
  void Replace(ResourceEntry entry);
  // Entries in tree order.
  void Sort();

 private:
  std::vector<ResourceEntry> entries_;
};

// Reads the resource tree (type, name, language levels) of a checked layout; a tree that
// points outside the image or nests differently throws PackError.
ResourceTable ReadResources(const std::vector<uint8_t>& image, const PeLayout& layout,
                            const std::string& what);
// The bytes of a resource section loaded at sectionRva holding the table.
std::vector<uint8_t> BuildResourceSection(ResourceTable table, uint32_t sectionRva);
