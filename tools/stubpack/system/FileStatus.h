// What stands at a path, in the terms the tool needs on either system: its kind, size, time,
// permission bits and an identity that tells whether two paths name one file.
#pragma once
#include <cstdint>
#include <string>

enum class FileKind { kMissing, kRegular, kDirectory, kLink, kDevice, kFifo, kSocket, kOther };

struct FileStatus {
  FileKind kind = FileKind::kMissing;
  uint64_t size = 0;
  uint64_t lastWriteTime = 0;  // FILETIME
  uint32_t mode = 0;           // st_mode; on Windows made from the attributes (no execute bit)
  uint64_t device = 0, index = 0;  // the file's identity on its volume
};

// The status of path, following links when followLinks (else a link, or a reparse point on
// Windows, is kLink). A path where nothing is gives kMissing and true; any other failure
// gives false with error set.
bool StatPath(const std::string& path, bool followLinks, FileStatus& status, std::string& error);
// Whether a and b (links followed) are one existing file.
bool SameFile(const std::string& a, const std::string& b);
// The absolute path with every link resolved, or empty (error set) when path cannot be reached.
std::string CanonicalPath(const std::string& path, std::string& error);
// The file of the running program.
std::string RunningProgramPath();
// The characters that separate the components of a path here, and the one to join them with.
extern const char kPathSeparators[];
extern const char kPathSeparator;
