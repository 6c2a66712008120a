#include "pack/SevenZipWriter.h"

#include <lzma.h>

#include <algorithm>
#include <stdexcept>

#include "format/ByteOrder.h"
#include "format/FinalOutStream.h"
#include "format/Folder.h"
#include "format/PropertyIds.h"
#include "pack/HeaderBuffer.h"

namespace {

void WriteFolder(HeaderBuffer& out, const FolderRecord& folder) {
  out.Number(folder.coders.size());
  uint32_t totalIn = 0;
  uint32_t totalOut = 0;
  for (const CoderRecord& coder : folder.coders) {
    const bool complex = coder.numInStreams != 1 || coder.numOutStreams != 1;
    uint8_t flags = static_cast<uint8_t>(coder.methodId.size());
    if (complex) flags |= kCoderHasStreamCounts;
    if (!coder.properties.empty()) flags |= kCoderHasProperties;
    out.Byte(flags);
    out.Bytes(coder.methodId);
    if (complex) {
      out.Number(coder.numInStreams);
      out.Number(coder.numOutStreams);
    }
    if (!coder.properties.empty()) {
      out.Number(coder.properties.size());
      out.Bytes(coder.properties);
    }
    totalIn += coder.numInStreams;
    totalOut += coder.numOutStreams;
  }
  if (folder.bindPairs.size() + 1 != totalOut ||
      folder.packedStreams.size() + folder.bindPairs.size() != totalIn ||
      folder.unpackSizes.size() != totalOut) {
    throw std::logic_error("folder wiring does not add up");
  }
  for (const auto& pair : folder.bindPairs) {
    out.Number(pair.InIndex);
    out.Number(pair.OutIndex);
  }
  // A single packed stream is implied: the one in-stream that no bind pair feeds.
  if (folder.packedStreams.size() > 1) {
    for (uint32_t index : folder.packedStreams) out.Number(index);
  }
}

uint64_t FinalSize(const FolderRecord& folder) {
  const uint32_t count = uint32_t(folder.unpackSizes.size());
  const uint32_t final = FinalOutStream(count, uint32_t(folder.bindPairs.size()),
                                        [&](uint32_t i) { return folder.bindPairs[i].OutIndex; });
  if (final == count) throw std::logic_error("folder without an unbound output");
  return folder.unpackSizes[final];
}

void WritePackAndUnpackInfo(HeaderBuffer& out, uint64_t packPosition,
                            const std::vector<FolderRecord>& folders,
                            const std::vector<uint64_t>& packSizes) {
  out.Byte(kPackInfo);
  out.Number(packPosition);
  out.Number(packSizes.size());
  out.Byte(kSize);
  for (uint64_t size : packSizes) out.Number(size);
  out.Byte(kEnd);

  out.Byte(kUnPackInfo);
  out.Byte(kFolder);
  out.Number(folders.size());
  out.Byte(0);  // folder records follow inline
  for (const FolderRecord& folder : folders) WriteFolder(out, folder);
  out.Byte(kCodersUnPackSize);
  for (const FolderRecord& folder : folders) {
    for (uint64_t size : folder.unpackSizes) out.Number(size);
  }
  bool anyCrc = false;
  for (const FolderRecord& folder : folders) anyCrc |= folder.hasUnpackCrc;
  if (anyCrc) {
    std::vector<bool> defined;
    for (const FolderRecord& folder : folders) defined.push_back(folder.hasUnpackCrc);
    out.Byte(kCRC);
    if (std::find(defined.begin(), defined.end(), false) == defined.end()) {
      out.Byte(1);
    } else {
      out.Byte(0);
      out.BitVector(defined);
    }
    for (const FolderRecord& folder : folders) {
      if (folder.hasUnpackCrc) out.UInt32(folder.unpackCrc);
    }
  }
  out.Byte(kEnd);
}

void WriteSubStreamsInfo(HeaderBuffer& out, const std::vector<FolderRecord>& folders,
                         const std::vector<ArchiveEntry>& entries) {
  std::vector<const ArchiveEntry*> streamed;
  for (const ArchiveEntry& entry : entries) {
    if (entry.hasStream) streamed.push_back(&entry);
  }
  out.Byte(kSubStreamsInfo);
  out.Byte(kNumUnPackStream);
  size_t total = 0;
  bool anySplit = false;
  for (const FolderRecord& folder : folders) {
    out.Number(folder.numSubstreams);
    total += folder.numSubstreams;
    anySplit |= folder.numSubstreams > 1;
  }
  if (total != streamed.size()) throw std::logic_error("entries and folders disagree");
  size_t next = 0;
  if (anySplit) out.Byte(kSize);
  for (const FolderRecord& folder : folders) {
    uint64_t sum = 0;
    for (uint32_t j = 0; j < folder.numSubstreams; ++j, ++next) {
      sum += streamed[next]->size;
      // The last size of a folder is implied by the folder's output size.
      if (j + 1 < folder.numSubstreams) out.Number(streamed[next]->size);
    }
    if (sum != FinalSize(folder)) throw std::logic_error("entry sizes do not fill the folder");
  }
  out.Byte(kCRC);
  out.Byte(1);  // every digest defined
  for (const ArchiveEntry* entry : streamed) out.UInt32(entry->crc);
  out.Byte(kEnd);
}

void WriteBits(HeaderBuffer& out, uint8_t id, const std::vector<bool>& bits) {
  HeaderBuffer packed;
  packed.BitVector(bits);
  out.Byte(id);
  out.Number(packed.Size());
  out.Bytes(packed.Data());
}

// One file property: its leading flags, then its data inline or a reference to the
// additional folder that holds it.
void WriteFileProperty(HeaderBuffer& out, uint8_t id, const std::vector<uint8_t>& flags,
                       const std::vector<uint8_t>& data, const ExternalFileInfo* external,
                       uint32_t externalIndex) {
  HeaderBuffer property;
  property.Bytes(flags);
  if (external) {
    property.Byte(1);
    property.Number(externalIndex);
  } else {
    property.Byte(0);
    property.Bytes(data);
  }
  out.Byte(id);
  out.Number(property.Size());
  out.Bytes(property.Data());
}

void WriteFilesInfo(HeaderBuffer& out, const std::vector<ArchiveEntry>& entries,
                    const ExternalFileInfo* external) {
  out.Byte(kFilesInfo);
  out.Number(entries.size());
  if (entries.empty()) {
    out.Byte(kEnd);
    return;
  }

  std::vector<bool> emptyStream;
  std::vector<bool> emptyFile;
  bool anyEmptyStream = false;
  bool anyEmptyFile = false;
  for (const ArchiveEntry& entry : entries) {
    emptyStream.push_back(!entry.hasStream);
    if (!entry.hasStream) {
      anyEmptyStream = true;
      emptyFile.push_back(!entry.isDirectory);
      anyEmptyFile |= !entry.isDirectory;
    }
  }
  if (anyEmptyStream) WriteBits(out, kEmptyStream, emptyStream);
  if (anyEmptyFile) WriteBits(out, kEmptyFile, emptyFile);

  const FileInfoBlocks info = SevenZipWriter::FileInfo(entries);
  const std::vector<uint8_t> allDefined = {1};
  WriteFileProperty(out, kName, {}, info.names, external, 0);
  WriteFileProperty(out, kLastWriteTime, allDefined, info.times, external, 1);
  WriteFileProperty(out, kWinAttributes, allDefined, info.attributes, external, 2);
  out.Byte(kEnd);
}

}  // namespace

FileInfoBlocks SevenZipWriter::FileInfo(const std::vector<ArchiveEntry>& entries) {
  HeaderBuffer names;
  HeaderBuffer times;
  HeaderBuffer attributes;
  for (const ArchiveEntry& entry : entries) {
    for (char16_t unit : entry.name) {
      names.Byte(static_cast<uint8_t>(unit));
      names.Byte(static_cast<uint8_t>(unit >> 8));
    }
    names.Byte(0);
    names.Byte(0);
    times.UInt64(entry.lastWriteTime);
    attributes.UInt32(entry.attributes);
  }
  return {names.Data(), times.Data(), attributes.Data()};
}

std::vector<uint8_t> SevenZipWriter::BuildHeader(const std::vector<FolderRecord>& folders,
                                                 const std::vector<uint64_t>& packSizes,
                                                 const std::vector<ArchiveEntry>& entries,
                                                 const ExternalFileInfo* external) {
  HeaderBuffer out;
  out.Byte(kHeader);
  if (external) {
    out.Byte(kAdditionalStreamsInfo);
    WritePackAndUnpackInfo(out, external->packPosition, external->folders, external->packSizes);
    out.Byte(kEnd);
  }
  // The unpacker expects the main streams info even when no entry has data.
  out.Byte(kMainStreamsInfo);
  if (!folders.empty()) {
    WritePackAndUnpackInfo(out, 0, folders, packSizes);  // right after the start header
    WriteSubStreamsInfo(out, folders, entries);
  }
  out.Byte(kEnd);
  // Written even without entries: other readers expect it after an empty streams info.
  WriteFilesInfo(out, entries, external);
  out.Byte(kEnd);
  return out.Data();
}

std::array<uint8_t, kStartHeaderSize> SevenZipWriter::BuildStartHeader(
    uint64_t nextHeaderOffset, const std::vector<uint8_t>& header) {
  StartHeader start;
  start.NextHeaderOffset = nextHeaderOffset;
  start.NextHeaderSize = header.size();
  start.NextHeaderCrc = lzma_crc32(header.data(), header.size(), 0);
  std::array<uint8_t, kStartHeaderSize> bytes;
  ::BuildStartHeader(start, bytes.data());
  return bytes;
}
