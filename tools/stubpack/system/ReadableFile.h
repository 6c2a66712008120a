// A file opened for reading at given offsets, by path in UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "system/FileStatus.h"

class ReadableFile {
 public:
  ReadableFile() = default;
  ~ReadableFile();
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  // Opens path; with asScanned, a link (a reparse point on Windows) is not followed and a FIFO
  // is not waited on. False with error set when it cannot be opened.
  bool Open(const std::string& path, bool asScanned, std::string& error);
  // What the open file is (kind and size).
  bool Status(FileStatus& status, std::string& error) const;
  // Reads up to size bytes at offset into out; got is how many there were (fewer only at the
  // end). False with error set on a read error.
  bool ReadAt(uint64_t offset, uint8_t* out, size_t size, size_t& got, std::string& error) const;

 private:
  intptr_t handle_ = -1;
};
