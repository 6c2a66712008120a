#include "pe/PeHeaders.h"

#include <algorithm>
#include <cstring>

#include "format/ByteOrder.h"

std::optional<size_t> FindPeSignature(const uint8_t* data, size_t size) {
  if (size < kMzHeaderSize || data[0] != 'M' || data[1] != 'Z') return std::nullopt;
  const uint32_t at = GetLe32(data + kMzPeOffsetField);
  if (at > size - 4 || std::memcmp(data + at, "PE\0\0", 4) != 0) return std::nullopt;
  return at;
}

std::optional<PeFileHeader> ReadPeFileHeader(const uint8_t* data, size_t size) {
  const std::optional<size_t> at = FindPeSignature(data, size);
  if (!at || size - *at < kPeFileHeaderSize) return std::nullopt;
  const uint8_t* coff = data + *at + 4;
  PeFileHeader header;
  header.signatureOffset = *at;
  header.machine = GetLe16(coff);
  header.sectionCount = GetLe16(coff + 2);
  header.optionalHeaderSize = GetLe16(coff + 16);
  return header;
}

PeSection ReadPeSection(const uint8_t* entry) {
  PeSection section;
  section.name.assign(reinterpret_cast<const char*>(entry), 8);
  section.name.resize(std::min(section.name.find('\0'), size_t{8}));
  section.virtualSize = GetLe32(entry + 8);
  section.virtualAddress = GetLe32(entry + 12);
  section.rawSize = GetLe32(entry + 16);
  section.rawOffset = GetLe32(entry + 20);
  section.characteristics = GetLe32(entry + 36);
  return section;
}
