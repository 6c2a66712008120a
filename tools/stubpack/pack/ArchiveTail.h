// The archive's tail, after its main packed streams: the header, and before it the file list
// when that is compressed. The file list's form: the names, times and attributes inline in the
// header, or each LZMA-compressed in an additional folder whose packed stream follows the main
// ones. Per-entry sizes and CRCs stay in the header either way.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "pack/ArchiveModel.h"

enum class FileListForm {
  kSmallest,    // compressed when that makes the installer at least kMinSaving bytes smaller
  kPlain,       // inline: what readers without additional streams support need
  kCompressed,  // compressed whatever it saves (not for an empty file list)
};

constexpr uint64_t kMinCompressedHeaderSaving = 1024;

struct ArchiveTail {
  std::vector<uint8_t> additionalPacked;  // written right after the main packed streams
  std::vector<uint8_t> header;
};

// mainPackedSize: bytes of the main packed streams. installerSize: the installer's size for
// an archive of the given size (the stub and padding around it).
ArchiveTail BuildArchiveTail(const std::vector<FolderRecord>& folders,
                             const std::vector<uint64_t>& packSizes,
                             const std::vector<ArchiveEntry>& entries, uint64_t mainPackedSize,
                             FileListForm form,
                             const std::function<uint64_t(uint64_t)>& installerSize);
