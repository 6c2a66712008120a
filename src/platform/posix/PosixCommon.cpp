#include <cerrno>
#include <mutex>
#include <unordered_set>

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
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
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

namespace {

// The live handle objects. Threads share them: stubpack runs the stub's code on a thread of its
// own while its main thread may end a run.
std::mutex liveHandlesLock;
std::unordered_set<const void*>& LiveHandles() {
  static auto* handles = new std::unordered_set<const void*>;  // outlives static destructors
  return *handles;
}

}  // namespace

HandleObject::HandleObject(HandleKind k) : kind(k) {
  std::lock_guard<std::mutex> hold(liveHandlesLock);
  LiveHandles().insert(this);
}

HandleObject::~HandleObject() {
  std::lock_guard<std::mutex> hold(liveHandlesLock);
  LiveHandles().erase(this);
}

bool IsLiveHandle(HANDLE handle) {
  std::lock_guard<std::mutex> hold(liveHandlesLock);
  return LiveHandles().count(handle) != 0;
}

std::vector<HANDLE> LiveHandleList() {
  std::lock_guard<std::mutex> hold(liveHandlesLock);
  std::vector<HANDLE> handles;
  for (const void* object : LiveHandles()) handles.push_back(const_cast<void*>(object));
  return handles;
}

HandleObject* AsObject(HANDLE handle, HandleKind kind) {
  if (!IsLiveHandle(handle)) {
    lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  auto* object = static_cast<HandleObject*>(handle);
  if (object->kind == kind) return object;
  lastError = ERROR_INVALID_HANDLE;
  return nullptr;
}

}  // namespace posix_layer

using namespace posix_layer;

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }
