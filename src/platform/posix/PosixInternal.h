// State shared by the files of the POSIX layer and its test seams. Not for the code above the
// layer.
#pragma once
#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/Win32Api.h"
#include "platform/testing/PosixTesting.h"

// The test seams (src/platform/testing) are compiled only into the tests' copy of this layer,
// built with STUBKIT_SEAMS. Everything of them is declared below for both copies and used only
// under `if constexpr (kSeams)`: the product's copy discards those uses at compile time, holds
// none of the seams' code or texts, and fails to link if a use escapes that guard.
#ifdef STUBKIT_SEAMS
inline constexpr bool kSeams = true;
#else
inline constexpr bool kSeams = false;
#endif

namespace posix_layer {

// What the product's copy of the layer reports of the screen; tests may set other values.
constexpr int kDesktopWidth = 1024;
constexpr int kDesktopHeight = 768;
constexpr int kSystemDpi = 96;

}  // namespace posix_layer

namespace posix_seams {

using posix_testing::Api;

// Counts the call and tells whether a test asked for it to fail (the last error then set).
bool InjectedFault(Api api);

// The recorder: calls in order with their main argument, started processes, message boxes and
// window messages, kept while a test listens (from posix_testing::Reset on).
void RecordCall(const std::string& call);
void RecordProcess(const std::string& commandLine);
void RecordMessageBox(const posix_testing::MessageBoxRecord& box);
void RecordMessage(const posix_testing::WindowMessage& message);

// The stand-ins the tests set.
struct StandInState {
  bool redirectExit = false;
  bool quietBoxes = false;
  std::string moduleFileName;
  std::string resourceType;  // the one resource the module carries: its type, id and bytes
  uint16_t resourceId = 0;
  std::vector<uint8_t> resource;
  int desktopWidth = posix_layer::kDesktopWidth;
  int desktopHeight = posix_layer::kDesktopHeight;
  int systemDpi = posix_layer::kSystemDpi;
  uint32_t shortWriteCall = 0;  // the WriteFile call (counted since Reset) cut to half, or 0
};
StandInState& StandIns();

// Allocation accounting (posix_testing::TrackAllocations), while tracking is on: whether a block
// of bytes keeps within the budget, and the blocks given (null ones ignored) and freed.
bool AllowAllocation(size_t bytes);
void NoteAllocation(void* block, size_t bytes);
void NoteFree(void* block);

}  // namespace posix_seams

namespace posix_layer {

using namespace posix_seams;

void DeliverPendingSignal();

// Every emulated call that reaches the file system, starts or waits for a process, or takes
// memory begins here. All but memory requests are safe points to act on a signal (memory is
// requested from within data structures).
inline bool ShouldFail(Api api) {
  if (api != Api::LocalAlloc) DeliverPendingSignal();
  if constexpr (kSeams) return InjectedFault(api);
  return false;
}

// Backslashes become slashes: the code builds Windows paths.
std::string MapPath(const char* path);
// Where the layer reaches a path. Below a ConfinedDirectory (inside): from the directory that
// holds its last component, opened from the confined directory's handle one component at a
// time without following links, the last component named relative to it and not to be followed
// either. Elsewhere: AT_FDCWD and the path itself. When a component cannot be opened (a link,
// missing), resolved is false and the last error set.
struct PathAt {
  explicit PathAt(const std::string& path);
  ~PathAt();
  PathAt(const PathAt&) = delete;
  PathAt& operator=(const PathAt&) = delete;
  int directory = AT_FDCWD;
  std::string name;
  bool inside = false;
  bool resolved = true;

 private:
  bool owned = false;
};

// Sets the thread's last error from errno and returns FALSE.
BOOL FailWithErrno();
BOOL Fail(DWORD error);

// Every HANDLE of the layer points to one of these. Each object is listed from its making to
// its deletion, so that a handle the layer never issued, or one already closed, is told apart
// from a live one without being dereferenced (Windows answers such a handle with FALSE and
// ERROR_INVALID_HANDLE).
enum class HandleKind { File, Search, Process, Thread, Job };
struct HandleObject {
  explicit HandleObject(HandleKind k);
  virtual ~HandleObject();
  HandleObject(const HandleObject&) = delete;
  HandleObject& operator=(const HandleObject&) = delete;
  HandleKind kind;
};
// The live object of that kind behind the handle, or null (the last error then set to
// ERROR_INVALID_HANDLE).
HandleObject* AsObject(HANDLE handle, HandleKind kind);
// Whether the handle is one the layer issued and has not closed.
bool IsLiveHandle(HANDLE handle);
std::vector<HANDLE> LiveHandleList();

// The layer's windows: handles are 1-based indices into this table.
std::vector<WindowRecord>& WindowTable();

// Signals: DeliverPendingSignal (above) runs the control routine for a signal that came (see
// SetConsoleCtrlHandler); these keep track of the started process a signal is passed on to.
void NoteChildStarted(pid_t child);
void NoteChildEnded(pid_t child);

// The process behind a process handle, or -1.
pid_t ProcessIdOf(HANDLE process);
BOOL CloseJobObject(HANDLE handle);

uint32_t OpenFileHandleCount();
uint32_t OpenDescriptorCount();

}  // namespace posix_layer
