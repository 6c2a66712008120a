#include "pe/PeImage.h"

#include <fstream>
#include <vector>

#include "base/PackError.h"
#include "format/ByteOrder.h"

namespace {

constexpr uint32_t kMaxHeaderOffset = 1u << 20;  // e_lfanew beyond this is not a real image

}  // namespace

PeImageInfo InspectPeHeader(const uint8_t* data, size_t size) {
  PeImageInfo info;
  if (size < 0x40 || data[0] != 'M' || data[1] != 'Z') return info;
  const uint32_t peOffset = GetLe32(data + 0x3C);
  if (peOffset > kMaxHeaderOffset || size < peOffset + 24u) return info;
  const uint8_t* pe = data + peOffset;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return info;
  if (GetLe16(pe + 4) != 0x014C) return info;
  info.isX86 = true;
  const uint32_t optionalSize = GetLe16(pe + 20);
  // SizeOfImage sits 56 bytes into the optional header.
  if (optionalSize >= 60 && size >= peOffset + 24u + 60u) info.sizeOfImage = GetLe32(pe + 24 + 56);
  constexpr uint32_t kContainsCode = 0x20;
  constexpr uint32_t kExecutable = 0x20000000;
  const uint32_t sections = GetLe16(pe + 6);
  const size_t table = size_t{peOffset} + 24 + optionalSize;
  for (uint32_t i = 0; i < sections && table + 40 * (i + 1) <= size; ++i) {
    const uint8_t* section = data + table + 40 * i;
    if ((GetLe32(section + 36) & (kContainsCode | kExecutable)) == 0) continue;
    info.codeSections.push_back({GetLe32(section + 20), GetLe32(section + 16), GetLe32(section + 12)});
  }
  return info;
}

PeImageInfo InspectPeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read " + path);
  std::vector<uint8_t> head(4096);
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  head.resize(static_cast<size_t>(in.gcount()));
  if (head.size() >= 0x40 && head[0] == 'M' && head[1] == 'Z') {
    const uint32_t peOffset = GetLe32(head.data() + 0x40 - 4);
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
