#include <algorithm>
#include <cerrno>

#include "platform/posix/PosixInternal.h"

namespace posix_layer {
namespace {

struct FaultState {
  uint32_t calls[size_t(Api::Count)] = {};
  std::vector<std::pair<uint32_t, DWORD>> failAt[size_t(Api::Count)];  // call numbers, errors
  std::vector<std::pair<uint32_t, std::function<void()>>> before[size_t(Api::Count)];
  bool recording = false;
  std::vector<std::string> calls_made;
};

FaultState& Faults() {
  static FaultState* state = new FaultState;
  return *state;
}

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

bool ShouldFail(Api api) {
  // Every call that reaches the file system or starts or waits for a process is a safe point
  // to act on a signal; memory requests are not (they come from within data structures).
  if (api != Api::LocalAlloc && api != Api::SysAllocString) DeliverPendingSignal();
  FaultState& f = Faults();
  size_t i = size_t(api);
  ++f.calls[i];
  for (auto& action : f.before[i])
    if (action.first == f.calls[i]) action.second();
  auto& pending = f.failAt[i];
  auto hit = std::find_if(pending.begin(), pending.end(),
                          [&](const auto& fault) { return fault.first == f.calls[i]; });
  if (hit != pending.end()) {
    lastError = hit->second;
    pending.erase(hit);
    if (f.recording) f.calls_made.push_back(std::string("fault ") + posix_testing::ApiName(api));
    return true;
  }
  return false;
}

bool Recording() { return Faults().recording; }

void RecordCall(const std::string& call) {
  if (Faults().recording) Faults().calls_made.push_back(call);
}

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

StandInState& StandIns() {
  static StandInState* standIns = new StandInState;
  return *standIns;
}

}  // namespace posix_layer

using namespace posix_layer;

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }

namespace posix_testing {

const char* ApiName(Api api) {
  static const char* const names[] = {
      "CreateFileA", "ReadFile", "WriteFile", "SetFilePointer", "SetFileTime",
      "SetFileAttributesA", "DeleteFileA", "CloseHandle", "CreateDirectoryA",
      "RemoveDirectoryA", "FindFirstFileA", "FindNextFileA", "GetCurrentDirectoryA",
      "SetCurrentDirectoryA", "GetTempPathA", "GetTempFileNameA", "GetWindowsDirectoryA",
      "GetModuleFileNameA", "CreateProcessA", "WaitForSingleObject", "LocalAlloc",
      "SysAllocString", "ShellExecuteExA"};
  static_assert(sizeof(names) / sizeof(names[0]) == size_t(Api::Count), "one name per Api");
  return names[size_t(api)];
}

void FailCall(Api api, uint32_t nth, DWORD error) {
  FaultState& f = Faults();
  f.failAt[size_t(api)].push_back({f.calls[size_t(api)] + nth, error});
}

void BeforeCall(Api api, uint32_t nth, std::function<void()> action) {
  FaultState& f = Faults();
  f.before[size_t(api)].push_back({f.calls[size_t(api)] + nth, std::move(action)});
}

uint32_t CallCount(Api api) { return Faults().calls[size_t(api)]; }

void ShortenWrite(uint32_t nth) { StandIns().shortWriteCall = CallCount(Api::WriteFile) + nth; }

std::vector<std::string> Calls() { return Faults().calls_made; }

void RedirectExitProcess(bool on) { StandIns().redirectExit = on; }
void SetModuleFileName(const char* path) { StandIns().moduleFileName = path ? path : ""; }
void SetResource(const char* type, uint16_t id, const std::vector<uint8_t>& data) {
  StandIns().resourceType = type;
  StandIns().resourceId = id;
  StandIns().resource = data;
}
void SetDesktopSize(int width, int height) {
  StandIns().desktopWidth = width;
  StandIns().desktopHeight = height;
}
void SetSystemDpi(int dpi) { StandIns().systemDpi = dpi; }
void SetQuietMessageBoxes(bool quiet) { StandIns().quietBoxes = quiet; }

std::vector<MessageBoxRecord> MessageBoxes() { return BoxTable(); }
std::vector<WindowRecord> Windows() { return WindowTable(); }
std::vector<WindowMessage> WindowMessages() { return MessageTable(); }
std::vector<std::string> CreatedProcesses() { return ProcessTable(); }
uint32_t OpenFileHandles() { return OpenFileHandleCount(); }
uint32_t OpenDescriptors() { return OpenDescriptorCount(); }

void Reset() {
  FaultState& f = Faults();
  f = FaultState();
  f.recording = true;
  StandIns() = StandInState();
  ResetWindows();
  TrackAllocations(false);
}

}  // namespace posix_testing
