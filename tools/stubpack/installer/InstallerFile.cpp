#include "installer/InstallerFile.h"

#include <cerrno>
#include <cstring>

#include <vector>

#include "base/PackError.h"
#include "pe/PeLayout.h"
#include "system/InterruptCleanUp.h"
#include "system/NewFile.h"
#include "system/ReadableFile.h"

InstallerFile::InstallerFile(const std::string& path, bool executable)
    : path_(path), temporary_(path + ".partial"), executable_(executable) {
  std::string error;
  file_ = CreateNewFile(temporary_, error);
  if (file_ == nullptr) Fail("cannot create", error);
  RemoveOnInterrupt(temporary_);
}

InstallerFile::~InstallerFile() {
  if (file_ != nullptr) {
    std::fclose(file_);
    RemoveFile(temporary_);
    ForgetOnInterrupt();
  }
}

void InstallerFile::Write(const void* data, size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, file_) != size)
    Fail("cannot write", std::strerror(errno));
}

void InstallerFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!SeekFile(file_, offset, false)) Fail("cannot seek in", std::strerror(errno));
  Write(data, size);
  if (!SeekFile(file_, 0, true)) Fail("cannot seek in", std::strerror(errno));
}

uint32_t InstallerFile::PeChecksumOfContent(uint64_t checksumOffset) {
  if (std::fflush(file_) != 0) Fail("cannot write", std::strerror(errno));
  ReadableFile in;
  std::string error;
  if (!in.Open(temporary_, /*asScanned=*/false, error)) Fail("cannot read back", error);
  PeChecksum checksum(checksumOffset);
  std::vector<uint8_t> block(1 << 20);
  size_t got = 0;
  for (uint64_t offset = 0;; offset += got) {
    if (!in.ReadAt(offset, block.data(), block.size(), got, error)) Fail("cannot read back", error);
    if (got == 0) break;
    checksum.Add(block.data(), got);
  }
  return checksum.Value();
}

void InstallerFile::Commit() {
  // An installer is a program: make it executable like a linker's output.
  const bool closed = std::fflush(file_) == 0 && SetProgramPermissions(file_, executable_) &&
                      std::fclose(file_) == 0;
  file_ = nullptr;
  std::string error = closed ? "" : std::strerror(errno);
  const bool renamed = closed && ReplaceFileWith(temporary_, path_, error);
  if (!renamed) RemoveFile(temporary_);
  ForgetOnInterrupt();
  if (!renamed) throw PackError("cannot write " + path_ + ": " + error);
}

void InstallerFile::Fail(const char* what, const std::string& error) {
  throw PackError(std::string(what) + " " + temporary_ + ": " + error);
}
