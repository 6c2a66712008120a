// State shared by the files of the POSIX layer and its test seams. Not for product code.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/Win32Api.h"
#include "platform/testing/PosixTesting.h"

namespace posix_layer {

using posix_testing::Api;

// Counts the call and tells whether a test asked for it to fail.
bool ShouldFail(Api api);
// Records a call for the tests when they listen; costs nothing otherwise.
bool Recording();
void RecordCall(const std::string& call);

// Backslashes become slashes: the code builds Windows paths.
std::string MapPath(const char* path);
// Sets the thread's last error from errno and returns FALSE.
BOOL FailWithErrno();
BOOL Fail(DWORD error);

// Every HANDLE of the layer points to one of these.
enum class HandleKind { File, Search, Process, Thread };
struct HandleObject {
  explicit HandleObject(HandleKind k) : kind(k) {}
  virtual ~HandleObject() = default;
  HandleKind kind;
};
HandleObject* AsObject(HANDLE handle, HandleKind kind);  // null when not of that kind

// The stand-ins the test seams set.
struct StandInState {
  bool redirectExit = false;
  bool quietBoxes = false;
  std::string moduleFileName;
  std::string resourceType;  // the one resource the module carries: its type, id and bytes
  uint16_t resourceId = 0;
  std::vector<uint8_t> resource;
  int desktopWidth = 1024;
  int desktopHeight = 768;
  int systemDpi = 96;
  uint32_t shortWriteCall = 0;  // the WriteFile call (counted since Reset) cut to half, or 0
};
StandInState& StandIns();

// Window bookkeeping for the recorder.
std::vector<posix_testing::WindowRecord>& WindowTable();
std::vector<posix_testing::MessageBoxRecord>& BoxTable();
std::vector<posix_testing::WindowMessage>& MessageTable();
std::vector<std::string>& ProcessTable();
void ResetWindows();

// Signals: runs the control routine for a signal that came (see SetConsoleCtrlHandler), and
// keeps track of the started process that a signal is passed on to.
void DeliverPendingSignal();
void NoteChildStarted(pid_t child);
void NoteChildEnded(pid_t child);

uint32_t OpenFileHandleCount();
uint32_t OpenDescriptorCount();

}  // namespace posix_layer
