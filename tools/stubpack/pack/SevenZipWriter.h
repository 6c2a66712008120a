// Encodes the 7z header (plain kHeader with main streams info and files info, optionally
// preceded by additional streams that hold the file list's names, times and attributes) and
// the 32-byte start header that points at it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/StartHeader.h"
#include "pack/ArchiveModel.h"

// The file list's names (UTF-16, each ended by a 0 unit), last-write times (8 bytes each) and
// attributes (4 bytes each), as the header stores them after their flags.
struct FileInfoBlocks {
  std::vector<uint8_t> names;
  std::vector<uint8_t> times;
  std::vector<uint8_t> attributes;
};

// Additional folders 0, 1 and 2 hold the names, times and attributes outside the header;
// their packed streams lie packPosition bytes after the start header.
struct ExternalFileInfo {
  uint64_t packPosition = 0;
  std::vector<uint64_t> packSizes;
  std::vector<FolderRecord> folders;
};

class SevenZipWriter {
 public:
  static FileInfoBlocks FileInfo(const std::vector<ArchiveEntry>& entries);
  // Entries with a stream must follow the folders' order: the first numSubstreams of them
  // belong to folder 0, and so on. packSizes lists every main packed stream in file order.
  // Without `external` the names, times and attributes are written inline.
  static std::vector<uint8_t> BuildHeader(const std::vector<FolderRecord>& folders,
                                          const std::vector<uint64_t>& packSizes,
                                          const std::vector<ArchiveEntry>& entries,
                                          const ExternalFileInfo* external = nullptr);
  // The start header for a header placed nextHeaderOffset bytes after the start header.
  static std::array<uint8_t, kStartHeaderSize> BuildStartHeader(
      uint64_t nextHeaderOffset, const std::vector<uint8_t>& header);
};
