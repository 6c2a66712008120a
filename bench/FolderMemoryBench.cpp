// Peak memory of decoding one BCJ2 folder (LZMA, LZMA, LZMA, BCJ2) from a file against its
// unpack size: the growth of the process's peak resident size during DecodeFolder.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "decode/FolderDecoder.h"
#include "fixtures/Bcj2Folder.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestData.h"
#include "support/InputFile.h"

namespace {

// VmRSS or VmHWM of this process in bytes.
uint64_t StatusBytes(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::stoull(line.substr(std::strlen(key) + 1)) * 1024;
  }
  return 0;
}

class CountingSink : public WriteStream {
 public:
  uint32_t Write(const void*, uint32_t size) override {
    total += size;
    return size;
  }
  uint64_t total = 0;
};

}  // namespace

int main(int argc, char** argv) {
  uint32_t size = (argc > 1 ? uint32_t(std::stoul(argv[1])) : 64u) << 20;
  std::vector<uint8_t> code = X86LikeCode(size, 5);
  TempDir temp;
  std::string path = temp / "folder.bin";
  uint32_t packStart;
  std::vector<uint32_t> packSizes;
  Folder folder;
  {
    Bcj2FolderImage image = MakeBcj2FolderImage(code, 1);
    WriteFileBytes(path, std::string(image.file.begin(), image.file.end()));
    packStart = image.packStart;
    packSizes = image.packSizes;
    folder = image.folder;
  }
  code = std::vector<uint8_t>();
  malloc_trim(0);

  InputFile file;
  file.Open(WideString::FromAnsi(path.c_str()));
  FolderDecoder decoder;
  CountingSink sink;
  // Reset the peak to the current resident size, then decode.
  std::ofstream("/proc/self/clear_refs") << "5";
  uint64_t before = StatusBytes("VmRSS:");
  decoder.DecodeFolder(file, packStart, packSizes.data(), folder, &sink);
  uint64_t peak = StatusBytes("VmHWM:");
  if (sink.total != size) return std::puts("size mismatch"), 1;
  double growth = double(peak - before);
  std::printf(
      "unpack size %u bytes, peak growth %.1f MiB = %.2f x unpack size "
      "(bound 2.2 x + 16 MiB = %.1f MiB)\n",
      size, growth / 1048576, growth / size, (2.2 * size + (16 << 20)) / 1048576);
  return growth <= 2.2 * size + (16 << 20) ? 0 : 1;
}
