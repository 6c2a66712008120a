#include "system/NewFile.h"

#include <fcntl.h>
#include <io.h>

#include "system/windows/WideText.h"

namespace {

HANDLE CreateExclusively(const std::wstring& path) {
  // Shared for deletion: a Ctrl+C handler on another thread may delete it while it is open.
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::FILE* CreateNewFile(const std::string& path, std::string& error) {
  const std::wstring wide = WidePath(path);
  HANDLE handle = CreateExclusively(wide);
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    // Only a plain leftover file is replaced: not a directory, and not a reparse point (a link
    // someone placed there), which DeleteFileW would remove but never follow.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    const DWORD notPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & notPlain) &&
        DeleteFileW(wide.c_str())) {
      handle = CreateExclusively(wide);
    } else {
      SetLastError(ERROR_FILE_EXISTS);
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
  if (file == nullptr) {
    error = "cannot open a stream on it";
    if (fd < 0) CloseHandle(handle); else _close(fd);
    DeleteFileW(wide.c_str());
  }
  return file;
}

bool SeekFile(std::FILE* file, uint64_t offset, bool fromEnd) {
  return _fseeki64(file, int64_t(offset), fromEnd ? SEEK_END : SEEK_SET) == 0;
}

// Windows keeps no such bits: what runs is decided by the file's name.
bool SetProgramPermissions(std::FILE*, bool) { return true; }

bool ReplaceFileWith(const std::string& from, const std::string& to, std::string& error) {
  if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  error = ErrorText(GetLastError());
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }
