#pragma once
#include <cstdint>

#include "archive/ArchiveDatabase.h"

class InputFile;
class WriteStream;

// Decodes one folder of the file onto out: the decode layer's DecodeFolder. A header may keep
// its file list in folders of its own (additional streams); decoding sits in the layer above
// this one, so the caller hands it down.
using FolderDecodeFunction = void (*)(InputFile& file, uint32_t packStart,
                                      const uint32_t* packSizes, const Folder& folder,
                                      WriteStream* out);

// The opened archive: the stub's own file and its parsed header.
struct Archive {
  InputFile* File = nullptr;
  ArchiveDatabase Database;
};

// Finds the archive in file (signature scan up to limit), reads and parses its header into
// archive.Database, decodes its additional streams with decodeFolder and builds the derived
// tables.
void OpenArchive(Archive& archive, InputFile& file, uint32_t limit,
                 FolderDecodeFunction decodeFolder);
