#include "pe/PeImage.h"

#include <fstream>
#include <vector>

#include "base/PackError.h"
#include "format/ByteOrder.h"
#include "pe/PeHeaders.h"

namespace {

constexpr uint32_t kMaxHeaderOffset = 1u << 20;  // e_lfanew beyond this is not a real image

}  // namespace

PeImageInfo InspectPeHeader(const uint8_t* data, size_t size) {
  PeImageInfo info;
  const std::optional<PeFileHeader> header = ReadPeFileHeader(data, size);
  if (!header || header->signatureOffset > kMaxHeaderOffset) return info;
  if (header->machine != kPeMachineX86) return info;
  info.isX86 = true;
  const size_t optional = header->OptionalHeaderOffset();
  if (header->optionalHeaderSize >= kOptionalSizeOfImage + 4 &&
      size >= optional + kOptionalSizeOfImage + 4) {
    info.sizeOfImage = GetLe32(data + optional + kOptionalSizeOfImage);
  }
  const size_t table = header->SectionTableOffset();
  for (uint32_t i = 0;
       i < header->sectionCount && table + kPeSectionEntrySize * (i + 1) <= size; ++i) {
    const PeSection section = ReadPeSection(data + table + kPeSectionEntrySize * i);
    if ((section.characteristics & (kSectionContainsCode | kSectionExecutable)) == 0) continue;
    info.codeSections.push_back({section.rawOffset, section.rawSize, section.virtualAddress});
  }
  return info;
}

PeImageInfo InspectPeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read " + path);
  std::vector<uint8_t> head(4096);
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  head.resize(static_cast<size_t>(in.gcount()));
  if (head.size() >= kMzHeaderSize && head[0] == 'M' && head[1] == 'Z') {
    const uint32_t peOffset = GetLe32(head.data() + kMzPeOffsetField);
    // Room for the headers and a generous section table.
    const size_t needed = static_cast<size_t>(peOffset) + 24 + 240 + 40 * 96;
    if (peOffset <= kMaxHeaderOffset && needed > head.size() && head.size() == 4096) {
      head.resize(needed);
      in.clear();
      in.seekg(0);
      in.read(reinterpret_cast<char*>(head.data()), head.size());
      head.resize(static_cast<size_t>(in.gcount()));
    }
  }
  return InspectPeHeader(head.data(), head.size());
}
