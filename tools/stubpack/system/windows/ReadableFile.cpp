#include "system/ReadableFile.h"

#include <algorithm>

#include "system/windows/WideText.h"
#include "system/windows/WindowsStatus.h"

namespace {

HANDLE HandleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

ReadableFile::~ReadableFile() {
  if (handle_ != -1) CloseHandle(HandleOf(handle_));
}

bool ReadableFile::Open(const std::string& path, bool asScanned, std::string& error) {
  // Others may go on reading, writing or renaming the file; with asScanned, a reparse point is
  // opened as itself (and then found not to be a regular file), never followed.
  const HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    asScanned ? FILE_FLAG_OPEN_REPARSE_POINT : 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(handle);
  return true;
}

bool ReadableFile::Status(FileStatus& status, std::string& error) const {
  return StatusOfHandle(HandleOf(handle_), status, error);
}

bool ReadableFile::ReadAt(uint64_t offset, uint8_t* out, size_t size, size_t& got,
                          std::string& error) const {
  got = 0;
  while (got < size) {
    OVERLAPPED at = {};
    const uint64_t position = offset + got;
    at.Offset = DWORD(position);
    at.OffsetHigh = DWORD(position >> 32);
    const DWORD chunk = DWORD(std::min<size_t>(size - got, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(HandleOf(handle_), out + got, chunk, &n, &at)) {
      const DWORD code = GetLastError();
      if (code == ERROR_HANDLE_EOF) break;
      error = ErrorText(code);
      return false;
    }
    if (n == 0) break;
    got += n;
  }
  return true;
}
