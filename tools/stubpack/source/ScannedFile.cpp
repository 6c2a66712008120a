#include "source/ScannedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/PackError.h"

ScannedFile::ScannedFile(const SourceEntry& entry) : entry_(entry) {
  fd_ = open(entry.diskPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    throw PackError("cannot read " + entry.diskPath + ": " + std::strerror(errno) +
                    (errno == ELOOP ? " (it became a symbolic link after the scan)" : ""));
  }
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd_);
    throw PackError(entry.diskPath + " is no longer a regular file");
  }
  if (uint64_t(st.st_size) != entry.size) {
    close(fd_);
    throw PackError(entry.diskPath + " changed size while it was packed");
  }
}

ScannedFile::~ScannedFile() { close(fd_); }

size_t ScannedFile::ReadAt(uint64_t offset, uint8_t* out, size_t size) const {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd_, out + done, size - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw PackError("cannot read " + entry_.diskPath + ": " + std::strerror(errno));
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}
