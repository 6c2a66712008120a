// The check that list, check and extract share before the stub's code sees the installer, so
// that a missing or unreadable file, or one that is no installer at all, is reported the same
// way by each.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/InspectCommands.h"
#include "format/SignatureScan.h"
#include "inspect/StubRefusal.h"

namespace {

// The part of the file that the stub's scan reads; false on a read error.
bool ReadScannedPart(int fd, std::vector<uint8_t>& head) {
  head.resize(kScanReach + kSignatureSize);
  size_t got = 0;
  ssize_t n = 0;
  while (got < head.size() && (n = read(fd, head.data() + got, head.size() - got)) > 0)
    got += size_t(n);
  head.resize(got);
  return n >= 0;
}

// The scanned part of the file at path; false when it cannot be read as a regular file.
bool ReadScannedPartOf(const std::string& path, std::vector<uint8_t>& head) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  const bool read = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadScannedPart(fd, head);
  close(fd);
  return read;
}

int64_t SignatureIn(const std::vector<uint8_t>& head) {
  const auto signature = ArchiveSignatureBytes();
  const auto found = std::search(head.begin(), head.end(), signature.begin(), signature.end());
  return found == head.end() ? -1 : int64_t(found - head.begin());
}

}  // namespace

int64_t ArchiveSignatureOffset(const std::string& path) {
  std::vector<uint8_t> head;
  return ReadScannedPartOf(path, head) ? SignatureIn(head) : -1;
}

std::string InstallerAccessProblem(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "cannot read " + path + ": " + std::strerror(errno);
  struct stat info;
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  std::vector<uint8_t> head;
  const bool read = regular && ReadScannedPart(fd, head);
  const int error = errno;
  close(fd);
  if (!regular) return "cannot read " + path + ": not a regular file";
  if (!read) return "cannot read " + path + ": " + std::strerror(error);
  // An installer is a stub with a 7z archive behind it.
  const int64_t found = SignatureIn(head);
  if (found < 0)
    return path + " is not an installer: it holds no 7z archive where the stub looks for one";
  if (found == 0)
    return path + " is not an installer: it is a 7z archive with no stub in front of it";
  return "";
}

int OpenForInspection(StubHarness& harness, const std::string& installer,
                      OpenedInstaller& opened, std::ostream& err) {
  const std::string problem = InstallerAccessProblem(installer);
  if (!problem.empty()) {
    err << "stubpack: error: " << problem << "\n";
    return 2;
  }
  return OpenOrExplain(harness, installer, opened, err) ? 0 : 1;
}
