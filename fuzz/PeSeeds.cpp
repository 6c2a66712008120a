// Writes the seed corpora of stubpack's PE, .ico and version/manifest readers: a small PE32
// and PE32+ image carrying version, manifest and icon resources, .ico files with a bitmap and
// a PNG image, and the version resource and manifest stubpack writes.
// Usage: fuzz_pe_seeds OUTPUT_DIR
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fixtures/SmallPeImage.h"
#include "format/ByteOrder.h"
#include "pe/IconFile.h"
#include "pe/Manifest.h"
#include "pe/PeLayout.h"
#include "pe/PeResourceWriter.h"
#include "pe/PeResources.h"
#include "pe/VersionResource.h"

namespace fs = std::filesystem;
using fixture::SmallPeImage;

namespace {

std::string outputDir;

void Write(const std::string& corpus, const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::create_directories(outputDir + "/" + corpus);
  std::ofstream(outputDir + "/" + corpus + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A .ico file of the images: 16x16 32-bit bitmaps, or a PNG stand-in (its signature and a
// 16x16 image header).
std::vector<uint8_t> Icon(const std::vector<bool>& png) {
  std::vector<uint8_t> file(6 + 16 * png.size(), 0);
  PutLe16(&file[2], 1);
  PutLe16(&file[4], uint16_t(png.size()));
  for (size_t i = 0; i < png.size(); ++i) {
    std::vector<uint8_t> data;
    if (png[i]) {
      data = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
              0, 0, 0, 16, 0, 0, 0, 16, 8, 6};
      data.resize(64, 0);
    } else {
      data.resize(40 + 16 * 16 * 4 + 16 * 4, 0x40);
      PutLe32(&data[0], 40);
      PutLe32(&data[4], 16);
      PutLe32(&data[8], 32);
      PutLe16(&data[12], 1);
      PutLe16(&data[14], 32);
    }
    uint8_t* entry = &file[6 + 16 * i];
    entry[0] = 16;
    entry[1] = 16;
    PutLe16(entry + 4, 1);
    PutLe16(entry + 6, 32);
    PutLe32(entry + 8, uint32_t(data.size()));
    PutLe32(entry + 12, uint32_t(file.size()));
    file.insert(file.end(), data.begin(), data.end());
  }
  return file;
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  outputDir = argv[1];
  const std::vector<uint8_t> bitmapIcon = Icon({false}), mixedIcon = Icon({false, true});
  Write("icons", "bitmap.ico", bitmapIcon);
  Write("icons", "bitmap-and-png.ico", mixedIcon);

  const VersionStrings strings = {{"ProductName", "Example"}, {"FileVersion", "1.2.3.4"},
                                  {"CompanyName", "\xC3\x9C"}};
  const std::vector<uint8_t> version = BuildVersionResource(strings);
  const std::vector<uint8_t> manifest = Bytes(DefaultManifest("asInvoker"));
  Write("resources", "version", version);
  Write("resources", "manifest", manifest);

  const std::string iconPath = outputDir + "/seed.ico";
  std::ofstream(iconPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(mixedIcon.data()), std::streamsize(mixedIcon.size()));
  ResourceTable table;
  SetIcons(table, ReadIconFile(iconPath));
  fs::remove(iconPath);
  table.Add({ResourceKey::Id(kRtVersion), ResourceKey::Id(1), kLanguageEnUs, 0, version});
  table.Add({ResourceKey::Id(kRtManifest), ResourceKey::Id(1), kLanguageEnUs, 0, manifest});
  table.Add({ResourceKey::Text("STUBKIT"), ResourceKey::Id(1), 0, 0, {1, 0, 0, 0}});
  Write("pe", "pe32-empty", SmallPeImage(false));
  Write("pe", "pe32", ReplaceResources(SmallPeImage(false), table, "seed"));
  Write("pe", "pe32plus", ReplaceResources(SmallPeImage(true), table, "seed"));
  return 0;
}
