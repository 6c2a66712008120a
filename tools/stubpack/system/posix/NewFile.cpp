#include "system/NewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::FILE* CreateNewFile(const std::string& path, std::string& error) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = open(path.c_str(), flags, 0644);
  struct stat info;
  if (fd < 0 && errno == EEXIST && lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      unlink(path.c_str()) == 0) {
    fd = open(path.c_str(), flags, 0644);
  }
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    close(fd);
    unlink(path.c_str());
  }
  return file;
}

bool SeekFile(std::FILE* file, uint64_t offset, bool fromEnd) {
  return fseeko(file, off_t(offset), fromEnd ? SEEK_END : SEEK_SET) == 0;
}

bool SetProgramPermissions(std::FILE* file, bool program) {
  return fchmod(fileno(file), program ? 0755 : 0644) == 0;
}

bool ReplaceFileWith(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }
