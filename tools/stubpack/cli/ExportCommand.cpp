#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/CountedNoun.h"
#include "base/PackError.h"
#include "cli/InspectCommands.h"
#include "format/StartHeader.h"
#include "inspect/StubHarness.h"
#include "installer/InstallerFile.h"
#include "installer/OutputTarget.h"

namespace {

// Reads exactly size bytes at offset; false on an error or an early end.
bool ReadAt(int fd, uint64_t offset, uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = pread(fd, data, size, off_t(offset));
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

// Copies the archive, from its start header to the end of its header, into the output.
void CopyArchive(int fd, uint64_t start, uint64_t size, InstallerFile& output,
                 const std::string& installer) {
  std::vector<uint8_t> block(1 << 20);
  for (uint64_t done = 0; done < size;) {
    const size_t n = size_t(std::min<uint64_t>(block.size(), size - done));
    if (!ReadAt(fd, start + done, block.data(), n))
      throw PackError("cannot read " + installer + ": " +
                      (errno ? std::strerror(errno) : "it ends within the archive"));
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
  struct stat in, existing;
  if (stat(installer.c_str(), &in) == 0 && stat(options.output.c_str(), &existing) == 0 &&
      in.st_dev == existing.st_dev && in.st_ino == existing.st_ino) {
    throw PackError("cannot write " + options.output + ": it is the installer being exported");
  }
  const std::string target = OutputTarget(options.output, "", "");

  const int fd = open(installer.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PackError("cannot read " + installer + ": " + std::strerror(errno));
  // The archive is its 32-byte start header, the packed streams and the header they lead to.
  const int64_t start = ArchiveSignatureOffset(installer);
  uint8_t bytes[kStartHeaderSize];
  StartHeader header;
  errno = 0;
  if (start < 0 || !ReadAt(fd, uint64_t(start), bytes, sizeof(bytes)) ||
      !ParseStartHeader(bytes, header)) {
    close(fd);
    throw PackError("cannot read the archive's start header in " + installer);
  }
  const uint64_t size = kStartHeaderSize + header.NextHeaderOffset + header.NextHeaderSize;
  InstallerFile output(target, /*executable=*/false);
  try {
    CopyArchive(fd, uint64_t(start), size, output, installer);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
  output.Commit();
  out << "exported the archive of " << installer << " (" << CountedNoun(size, "byte", "bytes")
      << " from offset " << start << ") to " << options.output << "\n";
  return 0;
}
