#include "source/ScannedFile.h"

#include "base/PackError.h"

ScannedFile::ScannedFile(const SourceEntry& entry) : entry_(entry) {
  std::string error;
  if (!file_.Open(entry.diskPath, /*asScanned=*/true, error))
    throw PackError("cannot read " + entry.diskPath + ": " + error);
  FileStatus status;
  if (!file_.Status(status, error) || status.kind != FileKind::kRegular)
    throw PackError(entry.diskPath + " is no longer a regular file");
  if (status.size != entry.size)
    throw PackError(entry.diskPath + " changed size while it was packed");
}

size_t ScannedFile::ReadAt(uint64_t offset, uint8_t* out, size_t size) const {
  size_t got = 0;
  std::string error;
  if (!file_.ReadAt(offset, out, size, got, error))
    throw PackError("cannot read " + entry_.diskPath + ": " + error);
  return got;
}
