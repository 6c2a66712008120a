#include "pack/ArchiveTail.h"

#include <lzma.h>

#include "format/StartHeader.h"
#include "pack/FolderEncoder.h"
#include "pack/SevenZipWriter.h"

namespace {

// Names are UTF-16: one position bit lets the coder tell a character's low byte from its
// high byte. Times and attributes are arrays of 8- and 4-byte numbers: position bits that
// match their width, and no literal context.
LzmaSettings NameSettings() {
  LzmaSettings s;
  s.lc = 3;
  s.lp = 1;
  s.pb = 1;
  return s;
}

LzmaSettings NumberSettings(uint32_t positionBits) {
  LzmaSettings s;
  s.lc = 0;
  s.lp = positionBits;
  s.pb = positionBits;
  return s;
}

ArchiveTail CompressedTail(const std::vector<FolderRecord>& folders,
                           const std::vector<uint64_t>& packSizes,
                           const std::vector<ArchiveEntry>& entries, uint64_t mainPackedSize) {
  const FileInfoBlocks info = SevenZipWriter::FileInfo(entries);
  const std::pair<const std::vector<uint8_t>*, LzmaSettings> blocks[] = {
      {&info.names, NameSettings()},
      {&info.times, NumberSettings(3)},
      {&info.attributes, NumberSettings(2)},
  };
  ArchiveTail tail;
  ExternalFileInfo external;
  external.packPosition = mainPackedSize;
  for (const auto& [data, settings] : blocks) {
    EncodedFolder encoded = FolderEncoder::EncodeLzma(*data, settings, nullptr);
    // The folder's CRC lets the unpacker refuse a damaged file list before it trusts it.
    encoded.record.hasUnpackCrc = true;
    encoded.record.unpackCrc = lzma_crc32(data->data(), data->size(), 0);
    for (const std::vector<uint8_t>& packed : encoded.packedStreams) {
      tail.additionalPacked.insert(tail.additionalPacked.end(), packed.begin(), packed.end());
      external.packSizes.push_back(packed.size());
    }
    external.folders.push_back(std::move(encoded.record));
  }
  tail.header = SevenZipWriter::BuildHeader(folders, packSizes, entries, &external);
  return tail;
}

}  // namespace

ArchiveTail BuildArchiveTail(const std::vector<FolderRecord>& folders,
                             const std::vector<uint64_t>& packSizes,
                             const std::vector<ArchiveEntry>& entries, uint64_t mainPackedSize,
                             FileListForm form,
                             const std::function<uint64_t(uint64_t)>& installerSize) {
  ArchiveTail plain;
  if (form != FileListForm::kCompressed || entries.empty()) {
    plain.header = SevenZipWriter::BuildHeader(folders, packSizes, entries);
    if (form == FileListForm::kPlain || entries.empty()) return plain;
  }
  ArchiveTail compressed = CompressedTail(folders, packSizes, entries, mainPackedSize);
  if (form == FileListForm::kCompressed) return compressed;
  auto sizeWith = [&](const ArchiveTail& tail) {
    return installerSize(kStartHeaderSize + mainPackedSize +
                         tail.additionalPacked.size() + tail.header.size());
  };
  return sizeWith(compressed) + kMinCompressedHeaderSaving <= sizeWith(plain) ? compressed : plain;
}
