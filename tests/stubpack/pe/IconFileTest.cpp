#include "pe/IconFile.h"

#include <gtest/gtest.h>

#include "base/PackError.h"
#include "format/ByteOrder.h"
#include "stubpack/TestFiles.h"

namespace {

// A 16x16 PNG image as far as the reader looks: signature and IHDR.
std::vector<uint8_t> Png() {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                              'I',  'H', 'D', 'R', 0,    0,    0,    16,   0, 0, 0, 16};
  png.resize(40, 0);
  return png;
}

std::vector<uint8_t> Padded(std::vector<uint8_t> data, size_t size) {
  data.resize(size);
  return data;
}

// A .ico whose directory entries give (offset, size) as listed, followed by data.
std::vector<uint8_t> Icon(const std::vector<std::pair<uint32_t, uint32_t>>& entries,
                          const std::vector<uint8_t>& data) {
  std::vector<uint8_t> ico(6 + 16 * entries.size());
  PutLe16(ico.data() + 2, 1);
  PutLe16(ico.data() + 4, uint32_t(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* e = ico.data() + 6 + 16 * i;
    e[0] = e[1] = 16;
    PutLe32(e + 8, entries[i].second);
    PutLe32(e + 12, entries[i].first);
  }
  ico.insert(ico.end(), data.begin(), data.end());
  return ico;
}

// Images must be ranges of their own inside the file, so that the images read are never more
// than the file: a directory that repeats one image many times could otherwise ask for
// gigabytes.
TEST(IconFile, ImagesAreDisjointRangesOfTheFile) {
  const std::vector<uint8_t> png = Png();
  std::vector<uint8_t> two = png;
  two.insert(two.end(), png.begin(), png.end());
  const struct {
    const char* what;
    std::vector<uint8_t> ico;
    bool accepted;
  } rows[] = {
      {"two images", Icon({{38, 40}, {78, 40}}, two), true},
      {"one image twice", Icon({{38, 40}, {38, 40}}, png), false},
      {"a file beyond 16 MiB", Icon({{22, 40}}, Padded(png, 16u << 20)), false},
  };
  TempDir dir;
  for (const auto& row : rows) {
    const std::string path = dir.Path() + "/icon.ico";
    WriteFile(path, row.ico);
    if (row.accepted) {
      EXPECT_EQ(ReadIconFile(path).size(), 2u) << row.what;
    } else {
      EXPECT_THROW(ReadIconFile(path), PackError) << row.what;
    }
  }
}

}  // namespace
