#include "pe/PeResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/PackError.h"
#include "pe/PeResourceWriter.h"

namespace {

// A small PE32 (or PE32+) image: e_lfanew 0x80, headers in 0x400 bytes, sections .text,
// .rsrc (an empty resource tree) and .reloc, each 0x200 bytes in the file and one page in
// memory; the resource and relocation directories point at their sections.
constexpr size_t kPe = 0x80, kOptional = kPe + 24;

std::vector<uint8_t> Image(bool pe32Plus) {
  const size_t optionalSize = pe32Plus ? 240 : 224, directories = pe32Plus ? 112 : 96;
  std::vector<uint8_t> image(0x400 + 3 * 0x200, 0);
  uint8_t* p = image.data();
  p[0] = 'M';
  p[1] = 'Z';
  PutLe32(p + 0x3C, kPe);
  PutLe32(p + kPe, 0x4550);
  PutLe16(p + kPe + 4, pe32Plus ? 0x8664 : 0x014C);
  PutLe16(p + kPe + 6, 3);
  PutLe16(p + kPe + 20, static_cast<uint16_t>(optionalSize));
  PutLe16(p + kOptional, pe32Plus ? 0x20B : 0x10B);
  PutLe32(p + kOptional + 32, 0x1000);  // section alignment
  PutLe32(p + kOptional + 36, 0x200);   // file alignment
  PutLe32(p + kOptional + 56, 0x4000);  // SizeOfImage
  PutLe32(p + kOptional + 60, 0x400);   // SizeOfHeaders
  PutLe32(p + kOptional + directories - 4, 16);
  PutLe32(p + kOptional + directories + 8 * kResourceDirectory, 0x2000);
  PutLe32(p + kOptional + directories + 8 * kResourceDirectory + 4, 16);
  PutLe32(p + kOptional + directories + 8 * kBaseRelocations, 0x3000);
  PutLe32(p + kOptional + directories + 8 * kBaseRelocations + 4, 8);
  const char* names[] = {".text", ".rsrc", ".reloc"};
  for (uint32_t i = 0; i < 3; ++i) {
    uint8_t* s = p + kOptional + optionalSize + 40 * i;
    std::copy(names[i], names[i] + std::strlen(names[i]), s);
    PutLe32(s + 8, 0x200);
    PutLe32(s + 12, 0x1000 * (i + 1));
    PutLe32(s + 16, 0x200);
    PutLe32(s + 20, 0x400 + 0x200 * i);
    PutLe32(s + 36, i == 0 ? 0x60000020 : 0x40000040);
  }
  return image;
}

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
