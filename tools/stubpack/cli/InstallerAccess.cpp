// The check that list, check and extract share before the stub's code sees the installer, so
// that a missing or unreadable file, or one that is no installer at all, is reported the same
// way by each.
#include <algorithm>
#include <vector>

#include "cli/InspectCommands.h"
#include "format/SignatureScan.h"
#include "inspect/StubRefusal.h"
#include "system/ReadableFile.h"

namespace {

// The part of the file at path that the stub's scan reads; an empty text when it was read,
// else why it could not be read as a regular file.
std::string ReadScannedPart(const std::string& path, std::vector<uint8_t>& head) {
  ReadableFile file;
  std::string error;
  if (!file.Open(path, /*asScanned=*/false, error)) return error;
  FileStatus status;
  if (!file.Status(status, error)) return error;
  if (status.kind != FileKind::kRegular) return "not a regular file";
  head.resize(kScanReach + kSignatureSize);
  size_t got = 0;
  if (!file.ReadAt(0, head.data(), head.size(), got, error)) return error;
  head.resize(got);
  return "";
}

int64_t SignatureIn(const std::vector<uint8_t>& head) {
  const auto signature = ArchiveSignatureBytes();
  const auto found = std::search(head.begin(), head.end(), signature.begin(), signature.end());
  return found == head.end() ? -1 : int64_t(found - head.begin());
}

}  // namespace

int64_t ArchiveSignatureOffset(const std::string& path) {
  std::vector<uint8_t> head;
  return ReadScannedPart(path, head).empty() ? SignatureIn(head) : -1;
}

std::string InstallerAccessProblem(const std::string& path) {
  std::vector<uint8_t> head;
  const std::string error = ReadScannedPart(path, head);
  if (!error.empty()) return "cannot read " + path + ": " + error;
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
