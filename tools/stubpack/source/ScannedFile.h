// A file of the scanned tree, opened for reading as the scan saw it. The tree may change
// between the scan and the read: a file swapped for a link must not bring in what the link
// points at, and one swapped for a FIFO must not block the run.
#pragma once
#include <cstddef>
#include <cstdint>

#include "source/SourceTree.h"
#include "system/ReadableFile.h"

class ScannedFile {
 public:
  // Opens the entry without following a link or waiting on a FIFO; throws PackError when what
  // is there now is not a regular file of the scanned size.
  explicit ScannedFile(const SourceEntry& entry);
  ScannedFile(const ScannedFile&) = delete;
  ScannedFile& operator=(const ScannedFile&) = delete;

  const ReadableFile& File() const { return file_; }
  // Reads up to size bytes at offset; returns how many there were (fewer only at the end).
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) const;

 private:
  const SourceEntry& entry_;
  ReadableFile file_;
};
