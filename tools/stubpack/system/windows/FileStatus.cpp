#include "system/FileStatus.h"

#include "system/windows/WideText.h"
#include "system/windows/WindowsStatus.h"

const char kPathSeparators[] = "/\\";
const char kPathSeparator = '\\';

namespace {

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

// A handle for looking at path (no access to its data); the path itself, not what it points
// to, unless followLinks. Directories open too.
HANDLE OpenForStatus(const std::string& path, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(WidePath(path).c_str(), 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

}  // namespace

bool StatusOfHandle(HANDLE handle, FileStatus& status, std::string& error) {
  status = FileStatus();
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_CHAR) {
    status.kind = FileKind::kDevice;
    return true;
  }
  if (type == FILE_TYPE_PIPE) {
    status.kind = FileKind::kFifo;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
    error = ErrorText(GetLastError());
    return false;
  }
  StatusFromAttributes(info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow,
                       info.ftLastWriteTime, status);
  status.device = info.dwVolumeSerialNumber;
  status.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

void StatusFromAttributes(DWORD attributes, DWORD sizeHigh, DWORD sizeLow,
                          const FILETIME& lastWrite, FileStatus& status) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    status.kind = FileKind::kLink;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    status.kind = FileKind::kDirectory;
  } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
    status.kind = FileKind::kDevice;
  } else {
    status.kind = FileKind::kRegular;
    status.size = (uint64_t(sizeHigh) << 32) | sizeLow;
  }
  // Windows keeps no execute bit: directories 0755, files 0644, read-only ones 0444.
  if (status.kind == FileKind::kDirectory) {
    status.mode = 0040755;
  } else {
    status.mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0100444 : 0100644;
  }
  status.lastWriteTime = FileTimeValue(lastWrite);
}

bool StatPath(const std::string& path, bool followLinks, FileStatus& status, std::string& error) {
  status = FileStatus();
  const HANDLE handle = OpenForStatus(path, followLinks);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (IsMissing(code)) return true;
    error = ErrorText(code);
    return false;
  }
  const bool known = StatusOfHandle(handle, status, error);
  CloseHandle(handle);
  return known;
}

bool SameFile(const std::string& a, const std::string& b) {
  FileStatus first, second;
  std::string ignored;
  return StatPath(a, true, first, ignored) && StatPath(b, true, second, ignored) &&
         first.kind != FileKind::kMissing && second.kind != FileKind::kMissing &&
         first.kind != FileKind::kDevice && second.kind != FileKind::kDevice &&
         first.device == second.device && first.index == second.index;
}

std::string CanonicalPath(const std::string& path, std::string& error) {
  const HANDLE handle = OpenForStatus(path, /*followLinks=*/true);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return "";
  }
  std::wstring wide(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, wide.data(), DWORD(wide.size()), 0);
  if (length >= wide.size()) {
    wide.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, wide.data(), DWORD(wide.size()), 0);
  }
  const DWORD failure = GetLastError();
  CloseHandle(handle);
  if (length == 0 || length >= wide.size()) {
    error = ErrorText(failure);
    return "";
  }
  wide.resize(length);
  // The answer carries the \\?\ prefix; a drive path reads better without it.
  if (wide.compare(0, 4, L"\\\\?\\") == 0 && wide.size() >= 6 && wide[5] == L':') wide.erase(0, 4);
  std::string out;
  if (!Utf8FromWide(wide.data(), wide.size(), out)) {
    error = "the path is not valid Unicode";
    return "";
  }
  return out;
}

std::string RunningProgramPath() {
  std::wstring wide(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, wide.data(), DWORD(wide.size()));
    if (length == 0) return "";
    if (length < wide.size()) {
      wide.resize(length);
      break;
    }
    wide.resize(wide.size() * 2);
  }
  std::string out;
  return Utf8FromWide(wide.data(), wide.size(), out) ? out : "";
}
