#include "source/SourceTree.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/PackError.h"
#include "platform/win32.h"
#include "system/DirectoryListing.h"

namespace {

// The items of dir, sorted by name; an unreadable directory is a problem of the tree.
std::vector<DirectoryItem> SortedChildren(const std::string& dir,
                                          std::vector<std::string>& problems) {
  std::vector<DirectoryItem> items;
  std::string error;
  if (!ListDirectory(dir, items, error)) {
    problems.push_back("cannot read directory " + dir + ": " + error);
    return {};
  }
  std::sort(items.begin(), items.end(),
            [](const DirectoryItem& a, const DirectoryItem& b) { return a.name < b.name; });
  return items;
}

// Every problem is noted and the walk goes on, so that one run names them all.
void Walk(const std::string& diskDir, const std::string& relDir,
          std::optional<uint64_t> fixedTime, std::vector<SourceEntry>& out,
          std::vector<std::string>& problems) {
  for (const DirectoryItem& item : SortedChildren(diskDir, problems)) {
    SourceEntry entry;
    entry.diskPath = diskDir + kPathSeparator + item.name;
    entry.path = relDir.empty() ? item.name : relDir + "/" + item.name;
    const FileStatus& st = item.status;
    if (!item.error.empty()) {
      problems.push_back("cannot examine " + entry.diskPath + ": " + item.error);
      continue;
    }
    if (st.kind == FileKind::kLink) {
      problems.push_back(entry.diskPath +
                         " is a symbolic link; links are not packed (copy the target instead)");
      continue;
    }
    if (st.kind != FileKind::kDirectory && st.kind != FileKind::kRegular) {
      problems.push_back(entry.diskPath + " is neither a regular file nor a directory");
      continue;
    }
    entry.isDirectory = st.kind == FileKind::kDirectory;
    entry.size = st.size;
    entry.mode = st.mode;
    entry.lastWriteTime = fixedTime ? *fixedTime : st.lastWriteTime;
    out.push_back(entry);
    if (entry.isDirectory) Walk(entry.diskPath, entry.path, fixedTime, out, problems);
  }
}

}  // namespace

uint32_t NormalisedMode(bool isDirectory, uint32_t mode) {
  if (isDirectory) return S_IFDIR | 0755;
  uint32_t permissions = (mode & 0111) != 0 ? 0755 : 0644;
  if ((mode & S_IWUSR) == 0) permissions &= ~0222u;
  return S_IFREG | permissions;
}

uint32_t WindowsAttributes(bool isDirectory, uint32_t mode) {
  const uint32_t normalised = NormalisedMode(isDirectory, mode);
  uint32_t attributes = isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((normalised & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes | FILE_ATTRIBUTE_UNIX_EXTENSION | (normalised << 16);
}

std::vector<SourceEntry> ScanSourceTree(const std::string& root,
                                        std::optional<uint64_t> fixedTime,
                                        std::vector<std::string>& problems) {
  FileStatus st;
  std::string error;
  if (!StatPath(root, /*followLinks=*/true, st, error) || st.kind == FileKind::kMissing) {
    throw PackError("cannot find source directory " + root + ": " +
                    (error.empty() ? "No such file or directory" : error));
  }
  if (st.kind != FileKind::kDirectory) throw PackError(root + " is not a directory");
  std::vector<SourceEntry> entries;
  Walk(root, "", fixedTime, entries, problems);
  return entries;
}
