#pragma once
#include <cstdint>

#include "archive/ArchiveDatabase.h"

class InputFile;

// The opened archive: the stub's own file and its parsed header.
struct Archive {
  InputFile* File = nullptr;
  ArchiveDatabase Database;
};

// Finds the archive in file (signature scan up to limit), reads and parses its header into
// archive.Database, decodes its additional streams (a file list kept in folders of its own)
// and builds the derived tables.
void OpenArchive(Archive& archive, InputFile& file, uint32_t limit);
