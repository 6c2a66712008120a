#include "system/DirectoryListing.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>

bool ListDirectory(const std::string& dir, std::vector<DirectoryItem>& items, std::string& error) {
  DIR* handle = opendir(dir.c_str());
  if (handle == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  while (dirent* entry = readdir(handle)) {
    DirectoryItem item;
    item.name = entry->d_name;
    if (item.name == "." || item.name == "..") continue;
    std::string failure;
    if (!StatPath(dir + "/" + item.name, /*followLinks=*/false, item.status, failure) ||
        item.status.kind == FileKind::kMissing) {
      item.error = failure.empty() ? std::strerror(ENOENT) : failure;
    }
    items.push_back(item);
  }
  closedir(handle);
  return true;
}
