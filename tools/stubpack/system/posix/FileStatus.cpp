#include "system/FileStatus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/UnixFileTime.h"
#include "system/posix/PosixStat.h"

const char kPathSeparators[] = "/";
const char kPathSeparator = '/';

namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISLNK(mode)) return FileKind::kLink;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::kDevice;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  if (S_ISSOCK(mode)) return FileKind::kSocket;
  return FileKind::kOther;
}

}  // namespace

void StatusFromStat(const struct stat& st, FileStatus& status) {
  status.kind = KindOf(st.st_mode);
  status.size = status.kind == FileKind::kRegular ? uint64_t(st.st_size) : 0;
  status.lastWriteTime =
      FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec));
  status.mode = st.st_mode;
  status.device = uint64_t(st.st_dev);
  status.index = uint64_t(st.st_ino);
}

bool StatPath(const std::string& path, bool followLinks, FileStatus& status, std::string& error) {
  struct stat st;
  status = FileStatus();
  if ((followLinks ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) {
    if (errno == ENOENT) return true;
    error = std::strerror(errno);
    return false;
  }
  StatusFromStat(st, status);
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string CanonicalPath(const std::string& path, std::string& error) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) {
    error = std::strerror(errno);
    return "";
  }
  return resolved;
}

std::string RunningProgramPath() { return "/proc/self/exe"; }
