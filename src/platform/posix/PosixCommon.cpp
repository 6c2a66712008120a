#include <cerrno>

#include "platform/posix/PosixInternal.h"

namespace posix_layer {
namespace {

thread_local DWORD lastError = 0;

DWORD ErrnoToWin32(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_ACCESS_DENIED;
  }
}

}  // namespace

std::string MapPath(const char* path) {
  std::string mapped(path ? path : "");
  for (char& c : mapped)
    if (c == '\\') c = '/';
  return mapped;
}

BOOL FailWithErrno() {
  lastError = ErrnoToWin32(errno);
  return FALSE;
}

BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

HandleObject* AsObject(HANDLE handle, HandleKind kind) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* object = static_cast<HandleObject*>(handle);
  return object->kind == kind ? object : nullptr;
}

}  // namespace posix_layer

using namespace posix_layer;

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }
