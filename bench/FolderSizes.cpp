// Prints the folders of an installer as the stub sees them, for bench/run's memory figures:
//   bench_folders INSTALLER
// one line "folders N largest BYTES coder-outputs BYTES": the number of folders, the largest
// final unpack size, and the largest sum of all coder outputs of one folder (what the stub
// holds in memory at once while it decodes that folder).
#include <cstdint>
#include <cstdio>

#include "archive/Archive.h"
#include "archive/ArchiveSignature.h"
#include "decode/FolderDecoder.h"
#include "support/InputFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_folders INSTALLER\n");
    return 2;
  }
  CompleteArchiveSignature();
  InputFile file;
  file.Open(WideString::FromAnsi(argv[1]));
  Archive archive;
  OpenArchive(archive, file, 1u << 20);
  const ArchiveDatabase& db = archive.Database;
  uint64_t largest = 0;
  uint64_t largestOutputs = 0;
  for (uint32_t i = 0; i < db.Folders.Count(); ++i) {
    const Folder& folder = db.Folders[i];
    uint64_t outputs = 0;
    for (uint32_t k = 0; k < folder.UnpackSizes.Count(); ++k) outputs += folder.UnpackSizes[k];
    if (folder.FinalUnpackSize() > largest) largest = folder.FinalUnpackSize();
    if (outputs > largestOutputs) largestOutputs = outputs;
  }
  std::printf("folders %u largest %llu coder-outputs %llu\n", db.Folders.Count(),
              static_cast<unsigned long long>(largest),
              static_cast<unsigned long long>(largestOutputs));
  return 0;
}
