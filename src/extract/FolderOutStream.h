// The sink at the end of a folder's coders: cuts the folder's pieces into its entries, opens
// each entry before its bytes, writes each piece through at once, checks each entry's digest
// when its last byte arrives and finishes it then.
#pragma once
#include <cstdint>

#include "support/Streams.h"

struct ArchiveDatabase;
class EntryWriter;
class OutputFile;

class FolderOutStream : public WriteStream {
 public:
  void Init(const ArchiveDatabase* database, uint32_t firstItem, uint32_t itemCount,
            EntryWriter* writer);
  uint32_t Write(const void* data, uint32_t size) override;

  const ArchiveDatabase* database = nullptr;
  uint32_t startFileIndex = 0;
  uint32_t itemCount = 0;
  EntryWriter* writer = nullptr;
  int32_t currentIndex = 0;
  bool itemOpen = false;
  uint32_t itemBytesWritten = 0;
  uint32_t itemCrc = 0;
  OutputFile* currentOutput = nullptr;

 private:
  void OpenCurrentItem();
  void FinishCurrentItem();
  void FinishEmptyItems();
};
