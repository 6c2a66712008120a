#include "pe/IconFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "base/PackError.h"

namespace {

constexpr size_t kIconDirSize = 6;
constexpr size_t kIconDirEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
// Far above any real icon (a full set of 256x256 bitmaps is a few MiB), and low enough that
// a file of many images cannot make pack hold more than this.
constexpr uint64_t kMaxIconBytes = 16u << 20;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsPng(const std::vector<uint8_t>& data) {
  return data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, data.begin());
}

// Checks the image's own header against the directory's claims: a PNG's IHDR or a bitmap's
// BITMAPINFOHEADER (whose height counts the mask too).
void CheckImage(const IconImage& image, const std::string& what) {
  auto bad = [&](const std::string& why) { return PackError(what + ": " + why); };
  if (image.png) {
    if (image.data.size() < 33 || GetLe32(image.data.data() + 12) != 0x52444849) {
      throw bad("a PNG image without its header");
    }
    const uint8_t* p = image.data.data() + 16;
    const uint32_t width = (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    const uint32_t height = (p[4] << 24) | (p[5] << 16) | (p[6] << 8) | p[7];
    if (width != image.width || height != image.height) {
      throw bad("a PNG image whose size differs from the directory's");
    }
    return;
  }
  if (image.data.size() < 40 || GetLe32(image.data.data()) != 40) {
    throw bad("an image that is neither PNG nor a bitmap");
  }
  if (GetLe32(image.data.data() + 4) != image.width ||
      GetLe32(image.data.data() + 8) != 2 * image.height) {
    throw bad("a bitmap whose size differs from the directory's");
  }
}

}  // namespace

std::vector<IconImage> ReadIconFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read the icon " + path);
  auto bad = [&](const std::string& why) { return PackError("the icon " + path + ": " + why); };
  in.seekg(0, std::ios::end);
  if (uint64_t(in.tellg()) > kMaxIconBytes) throw bad("larger than 16 MiB");
  in.seekg(0);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (file.size() < kIconDirSize || GetLe16(file.data()) != 0 || GetLe16(file.data() + 2) != 1) {
    throw bad("not a .ico file");
  }
  const size_t count = GetLe16(file.data() + 4);
  if (count == 0) throw bad("no images");
  if (file.size() < kIconDirSize + count * kIconDirEntrySize) throw bad("cut short");
  // Each image a range of its own, after the directory: so the images together are never more
  // than the file, however many entries the directory repeats.
  std::vector<std::pair<uint64_t, uint64_t>> ranges{{0, kIconDirSize + count * kIconDirEntrySize}};
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = file.data() + kIconDirSize + i * kIconDirEntrySize;
    const uint32_t size = GetLe32(entry + 8), offset = GetLe32(entry + 12);
    if (offset > file.size() || size > file.size() - offset || size == 0) {
      throw bad("cut short (image " + std::to_string(i + 1) + ")");
    }
    ranges.push_back({offset, uint64_t(offset) + size});
  }
  std::sort(ranges.begin(), ranges.end());
  for (size_t i = 1; i < ranges.size(); ++i)
    if (ranges[i].first < ranges[i - 1].second) throw bad("images that overlap");
  std::vector<IconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = file.data() + kIconDirSize + i * kIconDirEntrySize;
    const uint32_t size = GetLe32(entry + 8), offset = GetLe32(entry + 12);
    IconImage image;
    image.width = entry[0] == 0 ? 256 : entry[0];
    image.height = entry[1] == 0 ? 256 : entry[1];
    image.bitCount = GetLe16(entry + 6);
    image.data.assign(file.begin() + offset, file.begin() + offset + size);
    image.png = IsPng(image.data);
    CheckImage(image, "the icon " + path + ", image " + std::to_string(i + 1));
    if (!image.png && image.bitCount == 0) image.bitCount = GetLe16(image.data.data() + 14);
    images.push_back(std::move(image));
  }
  return images;
}

void SetIcons(ResourceTable& table, const std::vector<IconImage>& images) {
  const uint16_t language = table.LanguageOf(ResourceKey::Id(kRtGroupIcon));
  table.RemoveType(ResourceKey::Id(kRtIcon));
  table.RemoveType(ResourceKey::Id(kRtGroupIcon));
  std::vector<uint8_t> group(kIconDirSize + images.size() * kGroupEntrySize);
  PutLe16(group.data() + 2, 1);
  PutLe16(group.data() + 4, static_cast<uint32_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    const uint16_t id = static_cast<uint16_t>(i + 1);
    uint8_t* entry = group.data() + kIconDirSize + i * kGroupEntrySize;
    entry[0] = static_cast<uint8_t>(image.width);  // 256 is written as 0
    entry[1] = static_cast<uint8_t>(image.height);
    PutLe16(entry + 4, 1);  // planes
    PutLe16(entry + 6, image.bitCount);
    PutLe32(entry + 8, static_cast<uint32_t>(image.data.size()));
    PutLe16(entry + 12, id);
    table.Add({ResourceKey::Id(kRtIcon), ResourceKey::Id(id), language, 0, image.data});
  }
  table.Add({ResourceKey::Id(kRtGroupIcon), ResourceKey::Id(1), language, 0, group});
}

std::vector<std::string> IconSizes(const ResourceTable& table) {
  std::vector<std::string> sizes;
  const std::vector<const ResourceEntry*> groups = table.OfType(ResourceKey::Id(kRtGroupIcon));
  if (groups.empty()) return sizes;
  const std::vector<uint8_t>& group = groups.front()->data;
  const size_t count = group.size() >= kIconDirSize ? GetLe16(group.data() + 4) : 0;
  for (size_t i = 0; i < count && kIconDirSize + (i + 1) * kGroupEntrySize <= group.size(); ++i) {
    const uint8_t* entry = group.data() + kIconDirSize + i * kGroupEntrySize;
    const ResourceEntry* icon =
        table.Find(ResourceKey::Id(kRtIcon), ResourceKey::Id(GetLe16(entry + 12)));
    std::string size = std::to_string(entry[0] == 0 ? 256 : entry[0]) + "x" +
                       std::to_string(entry[1] == 0 ? 256 : entry[1]);
    if (icon == nullptr) size += "(missing)";
    else if (IsPng(icon->data)) size += "(png)";
    sizes.push_back(size);
  }
  return sizes;
}
