// Walks the directory to pack: every directory and regular file below it, in a fixed order
// (each directory before its contents, siblings by name in byte order). Symbolic links and
// special files are refused rather than followed: a link may lead out of the tree or loop.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/UnixFileTime.h"

struct SourceEntry {
  std::string path;      // relative, "/" separated, as on disk (UTF-8)
  std::string diskPath;  // where to read it
  bool isDirectory = false;
  uint64_t size = 0;
  uint64_t lastWriteTime = 0;  // FILETIME
  uint32_t mode = 0;           // st_mode
};

// The mode an entry is stored with, so that the umask cannot change an installer: 0755 for
// directories and for files with any execute bit, 0644 for other files, and no write bit for
// a file its owner cannot write.
uint32_t NormalisedMode(bool isDirectory, uint32_t mode);
// Windows attributes with the Unix extension: 0x8000 and the normalised mode in the high 16
// bits; read-only when the owner cannot write.
uint32_t WindowsAttributes(bool isDirectory, uint32_t mode);

// Scans root; with fixedTime every entry gets that time instead of its own. Throws
// PackError for a missing root, an unreadable directory, a link or a special file.
std::vector<SourceEntry> ScanSourceTree(const std::string& root,
                                        std::optional<uint64_t> fixedTime);
