#include "pe/PeResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/PackError.h"
#include "fixtures/SmallPeImage.h"
#include "pe/PeResourceWriter.h"

namespace {

constexpr size_t kPe = fixture::kSmallPeHeader, kOptional = fixture::kSmallPeOptional;

std::vector<uint8_t> Image(bool pe32Plus) { return fixture::SmallPeImage(pe32Plus); }

// A section table entry of Image(false).
uint8_t* Section(std::vector<uint8_t>& image, size_t i) {
  return image.data() + kOptional + 224 + 40 * i;
}

ResourceTable Resources() {
  ResourceTable table;
  table.Add({ResourceKey::Id(kRtVersion), ResourceKey::Id(1), kLanguageEnUs, 0, {1, 2, 3}});
  table.Add({ResourceKey::Id(kRtManifest), ResourceKey::Id(1), kLanguageEnUs, 0,
             std::vector<uint8_t>(5000, 'x')});
  table.Add({ResourceKey::Text("STUBKIT"), ResourceKey::Id(1), 0, 0, {1, 0, 0, 0}});
  return table;
}

std::string Listing(ResourceTable table) {
  table.Sort();
  std::string text;
  for (const ResourceEntry& e : table.Entries()) {
    text += e.type.ToString() + "/" + e.name.ToString() + "/" + std::to_string(e.language) +
            ":" + std::to_string(e.data.size()) + " ";
  }
  return text;
}

// The image's resources after they are replaced with Resources(), read back; or the reason
// the image was refused.
std::string ResourcesOut(const std::vector<uint8_t>& image) {
  try {
    const std::vector<uint8_t> out = ReplaceResources(image, Resources(), "in");
    return Listing(ReadResources(out, ReadPeLayout(out, "out"), "out"));
  } catch (const PackError& error) {
    return error.what();
  }
}

TEST(PeResources, LayoutsInResourcesOut) {
  const std::string replaced = Listing(Resources());
  const struct {
    const char* layout;
    bool pe32Plus;
    std::function<void(std::vector<uint8_t>&)> change;
    std::string out;  // the resources, or the start of the refusal
  } cases[] = {
      {"PE32", false, [](auto&) {}, replaced},
      {"PE32+", true, [](auto&) {}, replaced},
      {"no MZ header", false, [](auto& i) { i[0] = 'X'; }, "in: not a Windows program"},
      {"no PE signature", false, [](auto& i) { i[kPe + 1] = 'X'; }, "in: not a PE image"},
      {"a ROM image", false, [](auto& i) { PutLe16(&i[kOptional], 0x107); },
       "in: unknown optional header"},
      {"SizeOfImage too large", false, [](auto& i) { PutLe32(&i[kOptional + 56], 0x5000); },
       "in: SizeOfImage 20480 does not match"},
      {"sections overlapping in memory", false,
       [](auto& i) { PutLe32(Section(i, 1) + 12, 0x1000); }, "in: section .rsrc overlaps"},
      {"a section past the end", false, [](auto& i) { i.resize(i.size() - 0x100); },
       "in: section .reloc reaches past the end"},
      {"a signed program", false, [](auto& i) { PutLe32(&i[kOptional + 96 + 8 * 4 + 4], 8); },
       "in: the program is signed"},
      {"data after the sections", false, [](auto& i) { i.push_back(0); },
       "in: data follows the program's sections"},
      {"no resource directory", false,
       [](auto& i) { PutLe32(&i[kOptional + 96 + 8 * kResourceDirectory], 0); },
       "in: no resource section of its own"},
      {"a section after the resources that is not moveable", false,
       [](auto& i) { PutLe32(&i[kOptional + 96 + 8 * kBaseRelocations + 4], 0); },
       "in: the section .reloc follows the resources"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> image = Image(c.pe32Plus);
    c.change(image);
    EXPECT_EQ(ResourcesOut(image).substr(0, c.out.size()), c.out) << c.layout;
  }
}

}  // namespace
