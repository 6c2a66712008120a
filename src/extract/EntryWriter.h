// Writes the entries: prepares each entry's output (directories, deletion of what stands in the
// way, the new file) and finishes it (content, last-write time, attributes).
#pragma once
#include <cstdint>

#include "extract/HandleKeeper.h"
#include "platform/win32.h"
#include "support/ItemVector.h"
#include "support/WideString.h"

struct Archive;
class OutputFile;

class EntryWriter {
 public:
  // Each created file's handle goes to handles, which must outlive the extraction.
  void Init(Archive* archive, const WideString& outputDirectory, FILETIME defaultLastWriteTime,
            uint32_t defaultAttributes, const HandleKeeper& handles);
  // Returns the file to receive the entry's bytes, or null for directories and anti-items.
  OutputFile* GetItemOutput(uint32_t itemIndex);
  void FinishItem();

  void MakeDirectories(const ItemVector<WideString>& parts, uint32_t count);
  bool RemoveFileInTheWay();

  Archive* archive = nullptr;
  WideString outputDirectory;
  WideString diskPath;
  FILETIME lastWriteTime = {};
  bool isDirectory = false;
  uint32_t attributes = 0;
  OutputFile* openFile = nullptr;
  FILETIME defaultLastWriteTime = {};
  uint32_t defaultAttributes = 0;
  const HandleKeeper* handles = nullptr;
  // The parts of the last directory chain made (or found) below outputDirectory.
  ItemVector<WideString> madeDirectories;
};
