#include "archive/ArchiveDatabase.h"

#include "format/FinalOutStream.h"
#include "support/Fatal.h"

int32_t Folder::FindInBindPair(uint64_t inIndex) const {
  for (uint32_t i = 0; i < BindPairs.Count(); ++i)
    if (BindPairs[i].InIndex == inIndex) return int32_t(i);
  return -1;
}

int32_t Folder::FindOutBindPair(uint64_t outIndex) const {
  for (uint32_t i = 0; i < BindPairs.Count(); ++i)
    if (BindPairs[i].OutIndex == outIndex) return int32_t(i);
  return -1;
}

int32_t Folder::FindPackedStream(uint64_t inIndex) const {
  for (uint32_t i = 0; i < PackedStreams.Count(); ++i)
    if (PackedStreams[i] == inIndex) return int32_t(i);
  return -1;
}

uint32_t Folder::TotalOutStreams() const {
  uint32_t total = 0;
  for (uint32_t i = 0; i < Coders.Count(); ++i) total += uint32_t(Coders[i].NumOutStreams);
  return total;
}

uint32_t Folder::FinalUnpackSize() const {
  uint32_t count = UnpackSizes.Count();
  if (count == 0) return 0;
  uint32_t final = FinalOutStream(count, BindPairs.Count(),
                                  [this](uint32_t i) { return BindPairs[i].OutIndex; });
  if (final == count) FatalError(FailureReason::FolderWithoutUnboundOutput);
  return UnpackSizes[final];
}

uint32_t ArchiveDatabase::FolderStreamPosition(uint32_t folderIndex, uint32_t i) const {
  // A folder without packed streams (a coder of no in-streams) has no first stream: the last
  // such folder would index past the table.
  uint64_t stream = uint64_t(FolderFirstPackStream[folderIndex]) + i;
  if (stream >= PackStreamOffsets.Count()) FatalError(FailureReason::FolderWithoutThatPackedStream);
  return uint32_t(DataStart + PackStreamOffsets[uint32_t(stream)]);
}

uint32_t ArchiveDatabase::FolderPackedSize(uint32_t folderIndex) const {
  uint32_t first = FolderFirstPackStream[folderIndex];
  uint32_t size = 0;
  for (uint32_t j = 0; j < Folders[folderIndex].PackedStreams.Count(); ++j)
    size += PackSizes[first + j];
  return size;
}

void ArchiveDatabase::BuildDerivedTables() {
  // The tables below index NumUnpackStreams by folder and PackSizes by the folders' packed
  // streams: counts that do not line up mean a damaged header, not a short array to run past.
  if (NumUnpackStreams.Count() != Folders.Count())
    FatalError(FailureReason::UnpackStreamCountMismatch);

  FolderFirstPackStream.Clear();
  uint64_t running = 0;
  for (uint32_t i = 0; i < Folders.Count(); ++i) {
    FolderFirstPackStream.Add(uint32_t(running));
    running += Folders[i].PackedStreams.Count();
  }
  if (running > PackSizes.Count()) FatalError(FailureReason::PackStreamCountMismatch);

  PackStreamOffsets.Clear();
  running = 0;
  for (uint32_t i = 0; i < PackSizes.Count(); ++i) {
    PackStreamOffsets.Add(uint32_t(running));
    running += PackSizes[i];
  }
  // Every packed byte must lie at a 32-bit file position.
  if (DataStart + running > UINT32_MAX) FatalError(FailureReason::PackedDataBeyond4GiB);

  FolderFirstFile.Clear();
  FileToFolder.Clear();
  uint32_t folderIndex = 0;
  uint32_t indexInFolder = 0;
  for (uint32_t i = 0; i < Files.Count(); ++i) {
    const FileItem& file = Files[i];
    bool streamless = file.IsDirectory || file.Size == 0;
    if (streamless) {
      FileToFolder.Add(indexInFolder != 0 ? int32_t(folderIndex) : -1);
      continue;
    }
    if (indexInFolder == 0) {
      if (folderIndex >= Folders.Count()) FatalError(FailureReason::EntryWithoutFolder);
      FolderFirstFile.Add(i);
    }
    FileToFolder.Add(int32_t(folderIndex));
    ++indexInFolder;
    if (indexInFolder == NumUnpackStreams[folderIndex]) {
      ++folderIndex;
      indexInFolder = 0;
    }
  }
}
