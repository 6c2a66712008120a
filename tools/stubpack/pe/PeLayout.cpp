#include "pe/PeLayout.h"

#include "base/PackError.h"

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kMaxSections = 96;

}  // namespace

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

uint32_t PeLayout::ImageFileEnd() const {
  uint32_t end = sizeOfHeaders;
  for (const PeSection& s : sections) {
    if (s.rawSize != 0 && s.rawOffset + s.rawSize > end) end = s.rawOffset + s.rawSize;
  }
  return end;
}

const PeSection* PeLayout::SectionAt(uint32_t rva) const {
  for (const PeSection& s : sections) {
    if (rva >= s.virtualAddress && rva - s.virtualAddress < s.virtualSize) return &s;
  }
  return nullptr;
}

size_t PeLayout::FileOffset(uint32_t rva, uint32_t size) const {
  const PeSection* s = SectionAt(rva);
  const uint32_t inside = s == nullptr ? 0 : rva - s->virtualAddress;
  if (s == nullptr || size > s->rawSize || inside > s->rawSize - size) {
    throw PackError("data at RVA " + std::to_string(rva) + " lies outside the file's sections");
  }
  return size_t{s->rawOffset} + inside;
}

PeDataDirectory PeLayout::Directory(size_t index) const {
  return index < directories.size() ? directories[index] : PeDataDirectory{};
}

size_t PeLayout::DirectoryOffset(size_t index) const {
  return optionalHeaderOffset + (pe32Plus ? 112 : 96) + 8 * index;
}

PeLayout ReadPeLayout(const std::vector<uint8_t>& image, const std::string& what) {
  auto refuse = [&what](const std::string& why) { return PackError(what + ": " + why); };
  const uint8_t* data = image.data();
  if (image.size() < kMzHeaderSize || data[0] != 'M' || data[1] != 'Z') {
    throw refuse("not a Windows program (no MZ header)");
  }
  const std::optional<PeFileHeader> header = ReadPeFileHeader(data, image.size());
  if (!header) throw refuse("not a PE image (no PE signature)");
  PeLayout layout;
  const size_t sectionCount = header->sectionCount;
  const size_t optionalSize = header->optionalHeaderSize;
  layout.optionalHeaderOffset = header->OptionalHeaderOffset();
  layout.sectionTableOffset = header->SectionTableOffset();
  if (layout.sectionTableOffset + kPeSectionEntrySize * sectionCount > image.size() ||
      optionalSize < 2) {
    throw refuse("truncated PE headers");
  }
  const uint8_t* optional = data + layout.optionalHeaderOffset;
  const uint16_t magic = GetLe16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) throw refuse("unknown optional header");
  layout.pe32Plus = magic == kPe32PlusMagic;
  const size_t directoryStart = layout.pe32Plus ? 112 : 96;
  if (optionalSize < directoryStart) throw refuse("optional header too short");
  layout.sectionAlignment = GetLe32(optional + 32);
  layout.fileAlignment = GetLe32(optional + 36);
  layout.sizeOfImage = GetLe32(optional + kOptionalSizeOfImage);
  layout.sizeOfHeaders = GetLe32(optional + kOptionalSizeOfHeaders);
  layout.checksum = GetLe32(optional + kOptionalChecksum);
  const uint32_t directoryCount = GetLe32(optional + directoryStart - 4);
  if (directoryCount > 16 || directoryStart + 8 * directoryCount > optionalSize) {
    throw refuse("bad data directory count");
  }
  for (uint32_t i = 0; i < directoryCount; ++i) {
    const uint8_t* d = optional + directoryStart + 8 * i;
    layout.directories.push_back({GetLe32(d), GetLe32(d + 4)});
  }
  const uint32_t fa = layout.fileAlignment, sa = layout.sectionAlignment;
  if (fa < 512 || fa > 65536 || (fa & (fa - 1)) != 0 || sa < fa || (sa & (sa - 1)) != 0) {
    throw refuse("unusual section or file alignment");
  }
  if (sectionCount == 0 || sectionCount > kMaxSections) throw refuse("bad section count");
  if (layout.sizeOfHeaders < layout.sectionTableOffset + kPeSectionEntrySize * sectionCount ||
      layout.sizeOfHeaders > image.size()) {
    throw refuse("bad SizeOfHeaders");
  }

  uint64_t nextAddress = AlignUp(layout.sizeOfHeaders, sa);
  uint64_t nextOffset = layout.sizeOfHeaders;
  for (size_t i = 0; i < sectionCount; ++i) {
    const PeSection section =
        ReadPeSection(data + layout.sectionTableOffset + kPeSectionEntrySize * i);
    if (section.virtualAddress < nextAddress || section.virtualAddress % sa != 0) {
      throw refuse("section " + section.name + " overlaps the one before it in memory");
    }
    if (section.rawSize != 0) {
      if (section.rawOffset < nextOffset || section.rawOffset % fa != 0) {
        throw refuse("section " + section.name + " overlaps the one before it in the file");
      }
      if (uint64_t{section.rawOffset} + section.rawSize > image.size()) {
        throw refuse("section " + section.name + " reaches past the end of the file");
      }
      nextOffset = uint64_t{section.rawOffset} + section.rawSize;
    }
    const uint32_t span = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
    nextAddress = uint64_t{section.virtualAddress} + AlignUp(span, sa);
    layout.sections.push_back(section);
  }
  if (layout.sizeOfImage != nextAddress) {
    throw refuse("SizeOfImage " + std::to_string(layout.sizeOfImage) + " does not match its " +
                 "sections (" + std::to_string(nextAddress) + ")");
  }
  return layout;
}

void PeChecksum::Add(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i, ++position_) {
    if (position_ - checksumOffset_ < 4) continue;
    sum_ += uint64_t{data[i]} << (position_ & 1 ? 8 : 0);
  }
}

uint32_t PeChecksum::Value() const {
  uint64_t sum = sum_;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + position_);
}

std::optional<size_t> PeChecksumOffset(const std::vector<uint8_t>& image) {
  try {
    return ReadPeLayout(image, "").ChecksumOffset();
  } catch (const PackError&) {
    return std::nullopt;
  }
}

uint32_t PeChecksumOf(const std::vector<uint8_t>& file, size_t checksumOffset) {
  PeChecksum checksum(checksumOffset);
  checksum.Add(file.data(), file.size());
  return checksum.Value();
}
