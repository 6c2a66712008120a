#include "installer/InstallerFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <vector>

#include "base/PackError.h"
#include "pe/PeLayout.h"

namespace {

// The partial file a signal handler removes; empty when there is none. A fixed buffer, since
// the handler may use async-signal-safe calls only.
char interruptedPartial[4096];
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePartialAndDie(int signal) {
  if (interruptedPartial[0] != '\0') unlink(interruptedPartial);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void RemoveOnSignal(const std::string& partial) {
  if (partial.size() >= sizeof(interruptedPartial)) return;
  std::memcpy(interruptedPartial, partial.c_str(), partial.size() + 1);
  for (int signal : kCleanupSignals) {
    // A signal ignored from the start (nohup, a background job) stays ignored.
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemovePartialAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

void ForgetOnSignal() {
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  for (int signal : kCleanupSignals) sigaddset(&blocked, signal);
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  interruptedPartial[0] = '\0';
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// Creates the partial file as new: a leftover regular file of an earlier, killed run is
// replaced, but nothing is followed through a link or written into someone else's file.
int CreatePartial(const std::string& path) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = open(path.c_str(), flags, 0644);
  struct stat info;
  if (fd < 0 && errno == EEXIST && lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      unlink(path.c_str()) == 0) {
    fd = open(path.c_str(), flags, 0644);
  }
  return fd;
}

}  // namespace

InstallerFile::InstallerFile(const std::string& path, bool executable)
    : path_(path), temporary_(path + ".partial"), executable_(executable) {
  const int fd = CreatePartial(temporary_);
  if (fd < 0) Fail("cannot create");
  RemoveOnSignal(temporary_);
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int error = errno;
    close(fd);
    std::remove(temporary_.c_str());
    ForgetOnSignal();
    errno = error;
    Fail("cannot create");
  }
}

InstallerFile::~InstallerFile() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
    ForgetOnSignal();
  }
}

void InstallerFile::Write(const void* data, size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) Fail("cannot write");
}

void InstallerFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) Fail("cannot seek in");
  Write(data, size);
  if (std::fseek(file_, 0, SEEK_END) != 0) Fail("cannot seek in");
}

uint32_t InstallerFile::PeChecksumOfContent(uint64_t checksumOffset) {
  if (std::fflush(file_) != 0) Fail("cannot write");
  std::FILE* in = std::fopen(temporary_.c_str(), "rb");
  if (in == nullptr) Fail("cannot read back");
  PeChecksum checksum(checksumOffset);
  std::vector<uint8_t> block(1 << 20);
  size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), in)) != 0) checksum.Add(block.data(), got);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) Fail("cannot read back");
  return checksum.Value();
}

void InstallerFile::Commit() {
  // An installer is a program: make it executable like a linker's output.
  const bool closed = std::fflush(file_) == 0 &&
                      fchmod(fileno(file_), executable_ ? 0755 : 0644) == 0 &&
                      std::fclose(file_) == 0;
  file_ = nullptr;
  const bool renamed = closed && std::rename(temporary_.c_str(), path_.c_str()) == 0;
  const int error = errno;
  if (!renamed) std::remove(temporary_.c_str());
  ForgetOnSignal();
  if (!renamed) throw PackError("cannot write " + path_ + ": " + std::strerror(error));
}

void InstallerFile::Fail(const char* what) {
  throw PackError(std::string(what) + " " + temporary_ + ": " + std::strerror(errno));
}
