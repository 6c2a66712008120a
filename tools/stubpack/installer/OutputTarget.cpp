#include "installer/OutputTarget.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/PackError.h"

namespace {

std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return "";
  return resolved;
}

bool SameFile(const struct stat& file, const std::string& other) {
  struct stat info;
  return stat(other.c_str(), &info) == 0 && info.st_dev == file.st_dev &&
         info.st_ino == file.st_ino;
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Refuses an output that would land inside the tree being packed.
void CheckOutsideSource(const std::string& source, const std::string& output) {
  const std::string root = CanonicalPath(source);
  const size_t slash = output.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  const std::string parent = CanonicalPath(dir.empty() ? "/" : dir);
  if (parent.empty()) throw PackError("cannot write " + output + ": no such directory");
  if (root.empty()) return;  // the scan reports the missing source
  if (parent == root || parent.compare(0, root.size() + 1, root + "/") == 0) {
    throw PackError("the output " + output + " lies inside the source directory " + source);
  }
}

}  // namespace

std::string OutputTarget(const std::string& output, const std::string& source,
                         const std::string& stub) {
  const std::string refused = "cannot write " + output + ": ";
  struct stat info;
  if (stat(output.c_str(), &info) != 0) {
    if (errno != ENOENT) throw PackError(refused + std::strerror(errno));
    if (lstat(output.c_str(), &info) == 0)
      throw PackError(refused + "a symbolic link to nothing; -o takes a regular file");
    CheckOutsideSource(source, output);
    return output;
  }
  if (!S_ISREG(info.st_mode))
    throw PackError(refused + KindOf(info.st_mode) + "; -o takes a regular file");
  if (SameFile(info, stub)) throw PackError(refused + "it is the stub the installer is built on");
  if (SameFile(info, "/proc/self/exe")) throw PackError(refused + "it is the running stubpack");
  const std::string target = CanonicalPath(output);
  if (target.empty()) throw PackError(refused + std::strerror(errno));
  CheckOutsideSource(source, target);
  return target;
}
