#include <vector>

#include "base/CountedNoun.h"
#include "base/PackError.h"
#include "cli/InspectCommands.h"
#include "format/StartHeader.h"
#include "inspect/StubHarness.h"
#include "installer/InstallerFile.h"
#include "installer/OutputTarget.h"
#include "system/FileStatus.h"
#include "system/ReadableFile.h"

namespace {

// Reads exactly size bytes at offset; false (error set) on an error or an early end.
bool ReadAt(const ReadableFile& file, uint64_t offset, uint8_t* data, size_t size,
            std::string& error) {
  size_t got = 0;
  if (!file.ReadAt(offset, data, size, got, error)) return false;
  if (got != size) error = "it ends within the archive";
  return got == size;
}

// Copies the archive, from its start header to the end of its header, into the output.
void CopyArchive(const ReadableFile& file, uint64_t start, uint64_t size, InstallerFile& output,
                 const std::string& installer) {
  std::vector<uint8_t> block(1 << 20);
  std::string error;
  for (uint64_t done = 0; done < size;) {
    const size_t n = size_t(std::min<uint64_t>(block.size(), size - done));
    if (!ReadAt(file, start + done, block.data(), n, error))
      throw PackError("cannot read " + installer + ": " + error);
    output.Write(block.data(), n);
    done += n;
  }
}

}  // namespace

int RunExport(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  // The stub's own reader must accept the archive: a damaged one is not worth a copy.
  {
    StubHarness harness;
    OpenedInstaller opened;
    if (const int refused = OpenForInspection(harness, installer, opened, err)) return refused;
  }
  if (SameFile(installer, options.output)) {
    throw PackError("cannot write " + options.output + ": it is the installer being exported");
  }
  const std::string target = OutputTarget(options.output, "", "");

  ReadableFile file;
  std::string error;
  if (!file.Open(installer, /*asScanned=*/false, error))
    throw PackError("cannot read " + installer + ": " + error);
  // The archive is its 32-byte start header, the packed streams and the header they lead to.
  const int64_t start = ArchiveSignatureOffset(installer);
  uint8_t bytes[kStartHeaderSize];
  StartHeader header;
  if (start < 0 || !ReadAt(file, uint64_t(start), bytes, sizeof(bytes), error) ||
      !ParseStartHeader(bytes, header)) {
    throw PackError("cannot read the archive's start header in " + installer);
  }
  const uint64_t size = kStartHeaderSize + header.NextHeaderOffset + header.NextHeaderSize;
  InstallerFile output(target, /*executable=*/false);
  CopyArchive(file, uint64_t(start), size, output, installer);
  output.Commit();
  out << "exported the archive of " << installer << " (" << CountedNoun(size, "byte", "bytes")
      << " from offset " << start << ") to " << options.output << "\n";
  return 0;
}
