// Directory search: "dir\*"-style patterns (wildcards in the last component) and plain paths.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>

#include "platform/posix/PosixInternal.h"
#include "platform/posix/PosixTime.h"

namespace posix_layer {

DWORD AttributesOf(const std::string& path, const struct stat& link);

namespace {

struct SearchObject : HandleObject {
  SearchObject() : HandleObject(HandleKind::Search) {}
  DIR* directory = nullptr;
  std::string folder;   // with a trailing slash
  std::string pattern;  // the last component
};

// Fills a record for the entry at path; false when it cannot be described. A search looks the
// entry up by name in the directory it reads, rather than walking the whole path again.
bool Describe(const std::string& path, const char* name, WIN32_FIND_DATAA* data,
              int directory = AT_FDCWD) {
  size_t length = std::strlen(name);
  if (length >= MAX_PATH) return false;
  struct stat info;
  if (fstatat(directory, directory == AT_FDCWD ? path.c_str() : name, &info,
              AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = AttributesOf(path, info);
  data->ftCreationTime = TimespecToFileTime(info.st_ctim);
  data->ftLastAccessTime = TimespecToFileTime(info.st_atim);
  data->ftLastWriteTime = TimespecToFileTime(info.st_mtim);
  if (!S_ISDIR(info.st_mode)) {
    data->nFileSizeHigh = DWORD(uint64_t(info.st_size) >> 32);
    data->nFileSizeLow = DWORD(info.st_size);
  }
  std::memcpy(data->cFileName, name, length + 1);
  return true;
}

bool NextMatch(SearchObject* search, WIN32_FIND_DATAA* data) {
  while (struct dirent* entry = readdir(search->directory)) {
    if (fnmatch(search->pattern.c_str(), entry->d_name, 0) != 0) continue;
    if (Describe(search->folder + entry->d_name, entry->d_name, data, dirfd(search->directory)))
      return true;
  }
  return false;
}

}  // namespace

BOOL CloseSearchObject(HANDLE handle) {
  auto* search = static_cast<SearchObject*>(AsObject(handle, HandleKind::Search));
  if (!search) return Fail(ERROR_INVALID_HANDLE);
  if (search->directory) closedir(search->directory);
  delete search;
  return TRUE;
}

}  // namespace posix_layer

using namespace posix_layer;

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  if (ShouldFail(Api::FindFirstFileA)) return INVALID_HANDLE_VALUE;
  std::string path = MapPath(pattern);
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (last.empty()) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto* search = new SearchObject;
  if (last.find_first_of("*?") == std::string::npos) {
    // A plain path: one record for it, if it exists.
    if (!Describe(path, last.c_str(), data)) {
      delete search;
      Fail(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    return search;
  }
  search->directory = opendir(folder.c_str());
  search->folder = folder;
  search->pattern = last;
  if (!search->directory || !NextMatch(search, data)) {
    CloseSearchObject(search);
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

BOOL WINAPI FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
  if (ShouldFail(Api::FindNextFileA)) return FALSE;
  auto* search = static_cast<SearchObject*>(AsObject(handle, HandleKind::Search));
  if (!search) return Fail(ERROR_INVALID_HANDLE);
  if (!search->directory || !NextMatch(search, data)) return Fail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE handle) { return CloseSearchObject(handle); }
