#include "InstallerFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <vector>

#include "PackError.h"
#include "PeLayout.h"

InstallerFile::InstallerFile(const std::string& path)
    : path_(path), temporary_(path + ".partial") {
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (file_ == nullptr) Fail("cannot create");
}

InstallerFile::~InstallerFile() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
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
  const bool closed = std::fflush(file_) == 0 && fchmod(fileno(file_), 0755) == 0 &&
                      std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary_.c_str());
    throw PackError("cannot write " + path_ + ": " + std::strerror(error));
  }
}

void InstallerFile::Fail(const char* what) {
  throw PackError(std::string(what) + " " + temporary_ + ": " + std::strerror(errno));
}
