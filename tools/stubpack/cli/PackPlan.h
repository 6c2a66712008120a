// The first step of `stubpack pack`: everything decided before the installer is written. The
// stub with its new resources, the scanned tree with its names checked, the files with data in
// solid order, and the folders they fill. Bad input throws PackError here, before any output.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/PackCommand.h"
#include "pack/ArchiveModel.h"
#include "pack/FolderEncoder.h"
#include "pack/FolderPlan.h"
#include "source/SourceTree.h"

// A file with data, and what the BCJ2 filter knows of its code.
struct StreamedFile {
  size_t entry;        // index into the scanned entries
  uint64_t imageSize;  // where its branch targets may land
  std::vector<Bcj2Region::Code> code;
};

struct PackPlan {
  std::string target;  // where the installer goes
  std::vector<uint8_t> stub;
  std::vector<SourceEntry> scanned;
  std::vector<ArchiveEntry> entries;  // the entries without data, in scan order
  std::vector<StreamedFile> streamed;  // the files with data, in solid order
  std::vector<PlannedFolder> folders;  // indices into streamed
  uint64_t streamedBytes = 0;
  std::vector<std::string> warnings;  // what may fail on the user's machine
};

// Warnings, printed to `warnings` as well, are what may fail on the user's machine.
PackPlan PlanPack(const PackOptions& options, std::ostream& warnings);
