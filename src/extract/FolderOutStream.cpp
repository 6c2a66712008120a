#include "extract/FolderOutStream.h"

#include "archive/ArchiveDatabase.h"
#include "extract/EntryWriter.h"
#include "extract/OutputFile.h"
#include "support/Crc32.h"
#include "support/Fatal.h"

void FolderOutStream::Init(const ArchiveDatabase* databaseIn, uint32_t firstItem,
                           uint32_t count, EntryWriter* writerIn) {
  database = databaseIn;
  startFileIndex = firstItem;
  itemCount = count;
  writer = writerIn;
  currentIndex = 0;
  itemOpen = false;
  FinishEmptyItems();
}

void FolderOutStream::OpenCurrentItem() {
  const FileItem& item = database->Files[startFileIndex + uint32_t(currentIndex)];
  if (item.Size > 0xFFFFFFFFull) FatalError(FailureReason::EntryOf4GiBOrMore);
  writer->handles->Advance(0);
  currentOutput = writer->GetItemOutput(startFileIndex + uint32_t(currentIndex));
  itemCrc = 0;
}

// A digest the header defines must match the entry's bytes before the entry counts as done.
void FolderOutStream::FinishCurrentItem() {
  const FileItem& item = database->Files[startFileIndex + uint32_t(currentIndex)];
  if (item.CrcDefined && item.Crc != itemCrc) FatalError(FailureReason::EntryCrcMismatch);
  writer->FinishItem();
  ++currentIndex;
}

void FolderOutStream::FinishEmptyItems() {
  while (uint32_t(currentIndex) < itemCount) {
    const FileItem& item = database->Files[startFileIndex + uint32_t(currentIndex)];
    if (!item.IsAnti && !item.IsDirectory && item.Size != 0) return;
    OpenCurrentItem();
    FinishCurrentItem();
  }
}

uint32_t FolderOutStream::Write(const void* data, uint32_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  uint32_t processed = 0;
  while (uint32_t(currentIndex) < itemCount) {
    if (!itemOpen) {
      OpenCurrentItem();
      itemBytesWritten = 0;
      itemOpen = true;
      continue;
    }
    const FileItem& item = database->Files[startFileIndex + uint32_t(currentIndex)];
    uint32_t itemSize = uint32_t(item.Size);
    uint32_t n = itemSize - itemBytesWritten;
    if (size - processed < n) n = size - processed;
    if (n) {
      // Each piece goes to disk as it arrives; the digest is checked after the last one.
      itemCrc = Crc32(bytes + processed, n, itemCrc);
      if (currentOutput) {
        currentOutput->Write(bytes + processed, n);
        writer->handles->Advance(n);
      }
    }
    itemBytesWritten += n;
    processed += n;
    if (itemBytesWritten == itemSize) {
      FinishCurrentItem();
      itemOpen = false;
    }
    if (processed == size) {
      FinishEmptyItems();
      return processed;
    }
  }
  return size;
}
