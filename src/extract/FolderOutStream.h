// The sink at the end of a folder's coders: cuts the folder's bytes into its entries, opens
// each entry before its bytes, checks each entry's digest and finishes it after its last byte.
#pragma once
#include <cstdint>

#include "decode/Streams.h"

struct ArchiveDatabase;
class ExtractCallback;
class OutputFile;

class FolderOutStream : public WriteStream {
 public:
  void Init(const ArchiveDatabase* database, uint32_t firstItem, uint32_t itemCount,
            ExtractCallback* callback);
  uint32_t Write(const void* data, uint32_t size) override;

  const ArchiveDatabase* database = nullptr;
  uint32_t startFileIndex = 0;
  uint32_t itemCount = 0;
  ExtractCallback* callback = nullptr;
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
