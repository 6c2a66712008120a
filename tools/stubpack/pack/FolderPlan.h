// Groups the files with data into folders that the unpacker can hold, and chooses the LZMA
// dictionary of each coder. The unpacker refuses an LZMA output beyond LzmaWindowLimit of its
// dictionary, and it keeps sizes in 32 bits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format/LzmaProperties.h"

// The largest folder the unpacker can hold at all: the window of the largest dictionary.
uint64_t MaxFolderSize();
// A dictionary for a coder output of outputSize bytes: no larger than needed (nor than
// preferred) for compression, but large enough for the unpacker's window to hold the
// output. Throws PackError when no dictionary is large enough.
uint32_t ChooseDictionary(uint64_t outputSize, uint32_t preferred);

struct PlanInput {
  std::string path;  // for messages
  uint64_t size = 0;
  bool bcj2 = false;
};

struct PlannedFolder {
  bool bcj2 = false;
  std::vector<size_t> files;  // indices into the plan's input, in stream order
  uint64_t size = 0;
};

// BCJ2 files first, then the others; each kind fills folders of at most solidSize bytes in
// the given order (a file larger than that gets a folder of its own). Throws PackError for a
// file of 4 GiB or more, or one too large for the unpacker's memory model.
std::vector<PlannedFolder> PlanFolders(const std::vector<PlanInput>& files, uint64_t solidSize);
