// Encodes the 7z header (plain kHeader with main streams info and files info) and the
// 32-byte start header that points at it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ArchiveModel.h"

class SevenZipWriter {
 public:
  static constexpr size_t kStartHeaderSize = 32;

  // Entries with a stream must follow the folders' order: the first numSubstreams of them
  // belong to folder 0, and so on. packSizes lists every packed stream in file order.
  static std::vector<uint8_t> BuildHeader(const std::vector<FolderRecord>& folders,
                                          const std::vector<uint64_t>& packSizes,
                                          const std::vector<ArchiveEntry>& entries);
  // The start header for a header placed nextHeaderOffset bytes after the start header.
  static std::array<uint8_t, kStartHeaderSize> BuildStartHeader(
      uint64_t nextHeaderOffset, const std::vector<uint8_t>& header);
};
