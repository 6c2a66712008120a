// A .ico file as Windows resources: every image becomes an icon resource (PNG-compressed
// images included, as they are), and one icon group lists them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe/PeResources.h"

struct IconImage {
  uint32_t width = 0;   // 1 to 256
  uint32_t height = 0;
  uint16_t bitCount = 0;
  bool png = false;
  std::vector<uint8_t> data;
};

// Reads a .ico file of at most 16 MiB; a file that is not one, is cut short or has images that
// overlap (each other or the directory) throws PackError.
std::vector<IconImage> ReadIconFile(const std::string& path);
// Replaces every icon and icon group of the table with the images: icons 1..n, group 1.
void SetIcons(ResourceTable& table, const std::vector<IconImage>& images);
// "16x16 32x32 256x256(png)"-style sizes of the first icon group, as listed by the group.
std::vector<std::string> IconSizes(const ResourceTable& table);
