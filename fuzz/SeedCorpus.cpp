// Writes the seed corpora of the fuzz targets: archives made by the test builders and by
// stubpack, folder records with their packed data, and raw decoder streams.
// Usage: fuzz_seeds OUTPUT_DIR STUBPACK PAYLOAD_DIR
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/StubTag.h"
#include "fixtures/Bcj2Encode.h"
#include "fixtures/Bcj2Folder.h"
#include "fixtures/HeaderBuilder.h"
#include "fixtures/HostileArchives.h"
#include "fixtures/LzmaTestStream.h"
#include "fixtures/TestData.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {

std::string outputDir;
int written = 0;

void Write(const std::string& corpus, const std::string& name, const Bytes& bytes) {
  fs::create_directories(outputDir + "/" + corpus);
  std::ofstream(outputDir + "/" + corpus + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ++written;
}

std::string ToString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

void BuilderArchives() {
  Write("archives", "files-and-dirs",
        ItemsArchive({Directory(u"bin"), File(u"bin/settings.ini", "[setup]\nkey=value\n"),
                      File(u"setup.exe", ToString(X86LikeCode(2000, 7))),
                      File(u"docs/readme.txt", "read me\r\n"), Anti(u"old.txt", false)}));
  Item empty;
  empty.name = u"empty.txt";
  empty.hasStream = false;
  empty.directory = false;
  Write("archives", "empty-entries", ItemsArchive({empty, Directory(u"d")}));

  // The usual BCJ2 folder as an archive of one entry.
  std::vector<uint8_t> code = X86LikeCode(6000, 3);
  Bcj2FolderImage image = MakeBcj2FolderImage(code);
  std::vector<ByteBuilder> coders;
  for (uint32_t c = 0; c < image.folder.Coders.Count(); ++c) {
    const CoderInfo& info = image.folder.Coders[c];
    Bytes id(info.Method.Bytes, info.Method.Bytes + info.Method.Length);
    Bytes props(info.Properties.Bytes.Data(),
                info.Properties.Bytes.Data() + info.Properties.Bytes.Count());
    coders.push_back(Coder(id, info.NumInStreams, info.NumOutStreams, props));
  }
  ByteBuilder folder = FolderRecord(coders, {{5, 0}, {4, 1}, {3, 2}}, {2, 6, 1, 0});
  std::vector<uint64_t> unpackSizes, packSizes(image.packSizes.begin(), image.packSizes.end());
  for (uint32_t i = 0; i < image.folder.UnpackSizes.Count(); ++i)
    unpackSizes.push_back(image.folder.UnpackSizes[i]);
  Bytes packed(image.file.begin() + image.packStart, image.file.end() - 4096);
  std::vector<Item> items = {File(u"setup.exe", ToString(code))};
  ByteBuilder header{0x01, 0x04};
  header.Add(PackInfo(0, packSizes)).Add(UnpackInfo({folder}, {unpackSizes}));
  header.U8(0x08).U8(0x00).U8(0x00).Add(ItemsFilesInfo(items)).U8(0x00);
  Write("archives", "bcj2", ArchiveBytes(header.bytes(), packed));

  // Names and attributes in additional streams.
  Bytes names = ByteBuilder().Name(u"first").Name(u"second").bytes();
  LzmaPacked namesPacked = LzmaPack(names);
  Bytes mainPacked(9, 0x55);
  Bytes all = mainPacked;
  all.insert(all.end(), namesPacked.packed.begin(), namesPacked.packed.end());
  ByteBuilder additional{0x01, 0x03};
  additional.Add(PackInfo(mainPacked.size(), {namesPacked.packed.size()}))
      .Add(UnpackInfo({FolderRecord({Coder({3, 1, 1}, 1, 1, namesPacked.props)})},
                      {{names.size()}}))
      .U8(0x00);
  additional.U8(0x05).Num(2).U8(0x0E).Num(1).U8(0xC0).U8(0x11).Num(2).U8(1).Num(0).U8(0);
  additional.U8(0x00);
  Write("archives", "additional-names", ArchiveBytes(additional.bytes(), all));

  std::vector<HostileCase> cases = HostileCases("/nonexistent");
  // The long-name cases stay out: a path thousands of directories deep takes seconds to
  // make and remove under the sanitizers, and teaches the fuzzer nothing the others do not.
  for (size_t i = 0; i < cases.size(); ++i)
    if (cases[i].archive.size() <= 4096)
      Write("archives", "hostile-" + std::to_string(i), cases[i].archive);
}

// Installers from stubpack, with a stand-in stub that carries the stub's tag; the seed is the
// archive alone.
void StubpackArchives(const std::string& stubpack, const std::string& payload) {
  const std::string standIn = std::string("\x7f" "ELF ") + STUBKIT_STUB_TAG STUBKIT_VERSION + '\0';
  std::string stub = fuzz::WriteScratchFile("seed-stub.bin", standIn);
  const char* const variants[][2] = {
      {"default", ""}, {"bcj2", "--bcj2 on"}, {"plain", "--bcj2 off --fast"},
      {"small-solid", "--solid-size 64 --dict 64K"}};
  for (const auto& v : variants) {
    std::string out = fuzz::ScratchDir() + "/seed-installer";
    std::string command = "'" + stubpack + "' pack '" + payload + "' --stub '" + stub + "' -o '" +
                          out + "' -q " + v[1];
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "fuzz_seeds: %s failed\n", command.c_str());
      std::exit(1);
    }
    std::ifstream in(out, std::ios::binary);
    Bytes installer((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = standIn.size();
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= uint32_t(installer.at(at + size_t(i))) << (8 * i);
    Bytes archive(installer.begin() + long(at) + 4, installer.begin() + long(at) + 4 + length);
    Write("archives", "stubpack-" + std::string(v[0]), archive);
  }
}

Bytes FolderSeed(const ByteBuilder& folder, const std::vector<uint64_t>& unpackSizes,
                 const std::vector<uint64_t>& packSizes, const Bytes& packed) {
  ByteBuilder b;
  b.Add(folder);
  for (uint64_t s : unpackSizes) b.Num(s);
  for (uint64_t s : packSizes) b.Num(s);
  return b.Raw(packed).bytes();
}

void Folders() {
  Bytes data = MixedTestData(3000, 1);
  LzmaPacked one = LzmaPack(data);
  Write("folders", "lzma",
        FolderSeed(FolderRecord({Coder({3, 1, 1}, 1, 1, one.props)}), {data.size()},
                   {one.packed.size()}, one.packed));
  // LZMA of LZMA: coder 1 unpacks the packed stream into coder 0's input.
  LzmaPacked outer = LzmaPack(one.packed);
  Write("folders", "lzma-chain",
        FolderSeed(FolderRecord({Coder({3, 1, 1}, 1, 1, one.props),
                                 Coder({3, 1, 1}, 1, 1, outer.props)},
                                {{0, 1}}),
                   {data.size(), one.packed.size()}, {outer.packed.size()}, outer.packed));

  std::vector<uint8_t> code = X86LikeCode(5000, 5);
  Bcj2FolderImage image = MakeBcj2FolderImage(code);
  std::vector<ByteBuilder> coders;
  for (uint32_t c = 0; c < image.folder.Coders.Count(); ++c) {
    const CoderInfo& info = image.folder.Coders[c];
    Bytes id(info.Method.Bytes, info.Method.Bytes + info.Method.Length);
    Bytes props(info.Properties.Bytes.Data(),
                info.Properties.Bytes.Data() + info.Properties.Bytes.Count());
    coders.push_back(Coder(id, info.NumInStreams, info.NumOutStreams, props));
  }
  std::vector<uint64_t> unpackSizes, packSizes(image.packSizes.begin(), image.packSizes.end());
  for (uint32_t i = 0; i < image.folder.UnpackSizes.Count(); ++i)
    unpackSizes.push_back(image.folder.UnpackSizes[i]);
  Bytes packed(image.file.begin() + image.packStart, image.file.end() - 4096);
  Write("folders", "bcj2",
        FolderSeed(FolderRecord(coders, {{5, 0}, {4, 1}, {3, 2}}, {2, 6, 1, 0}), unpackSizes,
                   packSizes, packed));
}

void Decoders() {
  std::vector<uint8_t> data = MixedTestData(4000, 2);
  LzmaParams params;
  params.dictionarySize = 1 << 16;
  for (bool marker : {false, true}) {
    for (uint8_t mode : {uint8_t(0xFC), uint8_t(0x00), uint8_t(0x1E)}) {
      Bytes seed = {mode};
      std::vector<uint8_t> props = LzmaPropertyBytes(params);
      seed.insert(seed.end(), props.begin(), props.end());
      for (int i = 0; i < 3; ++i) seed.push_back(uint8_t(data.size() >> (8 * i)));
      std::vector<uint8_t> packed = LzmaEncode(data, params, marker);
      seed.insert(seed.end(), packed.begin(), packed.end());
      Write("decoders", "lzma-" + std::to_string(marker) + "-" + std::to_string(mode), seed);
    }
  }
  Bcj2Streams s = Bcj2Encode(X86LikeCode(3000, 3));
  for (uint8_t mode : {uint8_t(0xFD), uint8_t(0x01)}) {
    Bytes seed = {mode};
    for (const std::vector<uint8_t>* part : {&s.main, &s.call, &s.jump}) {
      seed.push_back(uint8_t(part->size()));
      seed.push_back(uint8_t(part->size() >> 8));
    }
    for (const std::vector<uint8_t>* part : {&s.main, &s.call, &s.jump, &s.rc})
      seed.insert(seed.end(), part->begin(), part->end());
    Write("decoders", "bcj2-" + std::to_string(mode), seed);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_DIR STUBPACK PAYLOAD_DIR\n");
    return 2;
  }
  outputDir = argv[1];
  fuzz::Initialise();
  BuilderArchives();
  StubpackArchives(argv[2], argv[3]);
  Folders();
  Decoders();
  std::printf("fuzz_seeds: %d seeds in %s\n", written, outputDir.c_str());
  return 0;
}
