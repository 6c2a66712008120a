// Writes the project's own test installers on a given stub, for the Wine test that compares
// stubpack.exe with the Linux stubpack: a crafted one that the stub accepts, one with a wrong
// CRC, and every hostile archive of the fixtures (the small ones).
// Usage: test_installers STUB OUTPUT_DIR
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fixtures/Bsdtar.h"
#include "fixtures/CraftedArchive.h"
#include "fixtures/HostileArchives.h"

namespace {

std::string stub;
std::string outputDir;

void Write(std::string name, const std::vector<uint8_t>& archive) {
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  std::ofstream(outputDir + "/" + name + ".exe", std::ios::binary)
      << Installer(stub, std::string(archive.begin(), archive.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: test_installers STUB OUTPUT_DIR\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  stub.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  outputDir = argv[2];

  fixture::CraftedEntry file = fixture::CraftedFile(u"docs/read me.txt", "hello", 0x21);
  Write("crafted", fixture::CraftArchive({fixture::CraftedDirectory(u"docs"), file,
                                          fixture::CraftedFile(u"Grüße/ünï.txt", "text\n")}));
  file.wrongCrc = true;
  Write("crafted-wrong-crc", fixture::CraftArchive({fixture::CraftedDirectory(u"docs"), file}));
  // Absolute names point below a directory that does not exist on either system.
  const std::vector<fixture::HostileCase> cases = fixture::HostileCases("/nonexistent-outside");
  for (size_t i = 0; i < cases.size(); ++i)
    if (cases[i].archive.size() <= 65536) Write("hostile-" + cases[i].name, cases[i].archive);
  return 0;
}
