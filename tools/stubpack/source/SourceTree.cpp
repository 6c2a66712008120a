#include "source/SourceTree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/PackError.h"
#include "platform/win32.h"

namespace {

// The names in dir, sorted; an unreadable directory is a problem of the tree.
std::vector<std::string> SortedChildren(const std::string& dir,
                                        std::vector<std::string>& problems) {
  std::vector<std::string> names;
  DIR* handle = opendir(dir.c_str());
  if (handle == nullptr) {
    problems.push_back("cannot read directory " + dir + ": " + std::strerror(errno));
    return names;
  }
  while (dirent* entry = readdir(handle)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(handle);
  std::sort(names.begin(), names.end());
  return names;
}

// Every problem is noted and the walk goes on, so that one run names them all.
void Walk(const std::string& diskDir, const std::string& relDir,
          std::optional<uint64_t> fixedTime, std::vector<SourceEntry>& out,
          std::vector<std::string>& problems) {
  for (const std::string& name : SortedChildren(diskDir, problems)) {
    SourceEntry entry;
    entry.diskPath = diskDir + "/" + name;
    entry.path = relDir.empty() ? name : relDir + "/" + name;
    struct stat st;
    if (lstat(entry.diskPath.c_str(), &st) != 0) {
      problems.push_back("cannot examine " + entry.diskPath + ": " + std::strerror(errno));
      continue;
    }
    if (S_ISLNK(st.st_mode)) {
      problems.push_back(entry.diskPath +
                         " is a symbolic link; links are not packed (copy the target instead)");
      continue;
    }
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
      problems.push_back(entry.diskPath + " is neither a regular file nor a directory");
      continue;
    }
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = entry.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
    entry.mode = st.st_mode;
    entry.lastWriteTime = fixedTime ? *fixedTime
                                    : FileTimeFromUnix(st.st_mtim.tv_sec,
                                                       static_cast<uint32_t>(st.st_mtim.tv_nsec));
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
  struct stat st;
  if (stat(root.c_str(), &st) != 0) {
    throw PackError("cannot find source directory " + root + ": " + std::strerror(errno));
  }
  if (!S_ISDIR(st.st_mode)) throw PackError(root + " is not a directory");
  std::vector<SourceEntry> entries;
  Walk(root, "", fixedTime, entries, problems);
  return entries;
}
