#include "archive/ArchiveDatabase.h"

#include "support/Fatal.h"

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
