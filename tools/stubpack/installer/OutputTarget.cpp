#include "installer/OutputTarget.h"

#include "base/PackError.h"
#include "format/NameRules.h"
#include "system/FileStatus.h"

namespace {

const char* KindOf(FileKind kind) {
  switch (kind) {
    case FileKind::kDirectory: return "a directory";
    case FileKind::kDevice: return "a device";
    case FileKind::kFifo: return "a FIFO";
    case FileKind::kSocket: return "a socket";
    default: return "not a regular file";
  }
}

// On Windows, a device by its name alone: a device namespace path (\\.\X)
// or a last component that Windows takes for a device (CON, NUL, COM1.txt, ...), which may
// open as one there even where no such file exists.
bool NamesDevice(const std::string& path) {
  if (kPathSeparators[1] == '\0') return false;  // Linux: such names are plain files
  const std::string prefix = path.substr(0, 4);
  if (prefix == "\\\\.\\" || prefix == "//./") return true;
  const size_t slash = path.find_last_of(kPathSeparators);
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  return IsDeviceName(last.c_str(), uint32_t(last.size()));
}

bool IsSeparator(char c) {
  for (const char* s = kPathSeparators; *s; ++s)
    if (*s == c) return true;
  return false;
}

// Refuses an output that would land inside the tree being packed.
void CheckOutsideSource(const std::string& source, const std::string& output) {
  std::string ignored;
  const std::string root = CanonicalPath(source, ignored);
  const size_t slash = output.find_last_of(kPathSeparators);
  const std::string dir = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  const std::string parent = CanonicalPath(dir, ignored);
  if (parent.empty()) throw PackError("cannot write " + output + ": no such directory");
  if (root.empty()) return;  // the scan reports the missing source
  if (parent == root ||
      (parent.size() > root.size() && parent.compare(0, root.size(), root) == 0 &&
       (IsSeparator(parent[root.size()]) || IsSeparator(root.back())))) {
    throw PackError("the output " + output + " lies inside the source directory " + source);
  }
}

}  // namespace

std::string OutputTarget(const std::string& output, const std::string& source,
                         const std::string& stub) {
  const std::string refused = "cannot write " + output + ": ";
  if (NamesDevice(output)) throw PackError(refused + "a device; -o takes a regular file");
  FileStatus status;
  std::string error;
  if (!StatPath(output, /*followLinks=*/true, status, error)) throw PackError(refused + error);
  if (status.kind == FileKind::kMissing) {
    FileStatus link;
    if (StatPath(output, /*followLinks=*/false, link, error) && link.kind == FileKind::kLink)
      throw PackError(refused + "a symbolic link to nothing; -o takes a regular file");
    CheckOutsideSource(source, output);
    return output;
  }
  if (status.kind != FileKind::kRegular)
    throw PackError(refused + KindOf(status.kind) + "; -o takes a regular file");
  if (SameFile(output, stub)) throw PackError(refused + "it is the stub the installer is built on");
  if (SameFile(output, RunningProgramPath()))
    throw PackError(refused + "it is the running stubpack");
  const std::string target = CanonicalPath(output, error);
  if (target.empty()) throw PackError(refused + error);
  CheckOutsideSource(source, target);
  return target;
}
