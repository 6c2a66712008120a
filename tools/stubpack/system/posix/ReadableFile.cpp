#include "system/ReadableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "system/posix/PosixStat.h"

ReadableFile::~ReadableFile() {
  if (handle_ >= 0) close(int(handle_));
}

bool ReadableFile::Open(const std::string& path, bool asScanned, std::string& error) {
  const int flags = O_RDONLY | O_CLOEXEC | (asScanned ? O_NOFOLLOW | O_NONBLOCK : 0);
  const int fd = open(path.c_str(), flags);
  if (fd < 0) {
    error = std::strerror(errno);
    if (asScanned && errno == ELOOP) error += " (it became a symbolic link after the scan)";
    return false;
  }
  handle_ = fd;
  return true;
}

bool ReadableFile::Status(FileStatus& status, std::string& error) const {
  struct stat st;
  if (fstat(int(handle_), &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  StatusFromStat(st, status);
  return true;
}

bool ReadableFile::ReadAt(uint64_t offset, uint8_t* out, size_t size, size_t& got,
                          std::string& error) const {
  got = 0;
  while (got < size) {
    const ssize_t n = pread(int(handle_), out + got, size - got, off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  return true;
}
