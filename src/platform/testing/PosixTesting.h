// Test seams of the POSIX layer: redirect ExitProcess, record message boxes, windows and
// calls, make the Nth call of a chosen function fail, and stand in for the module file name.
// They exist only in the tests' copy of the core (the stubkit_test_core library); the product's
// copy has none of them. Product code never includes this header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/WindowRecord.h"
#include "platform/win32.h"

namespace posix_testing {

// Thrown by ExitProcess while the redirect is on, carrying the exit code.
struct ExitCalled {
  unsigned code;
};
void RedirectExitProcess(bool on);

enum class Api {
  CreateFileA, ReadFile, WriteFile, SetFilePointer, SetFileTime, SetFileAttributesA,
  SetFileInformationByHandle,
  DeleteFileA, CloseHandle, CreateDirectoryA, RemoveDirectoryA, FindFirstFileA, FindNextFileA,
  GetCurrentDirectoryA, SetCurrentDirectoryA, GetTempPathA, GetTempFileNameA,
  GetWindowsDirectoryA, GetModuleFileNameA, CreateProcessA, WaitForSingleObject, LocalAlloc,
  ShellExecuteExA, Count
};
const char* ApiName(Api api);
// The nth call of api from now on (1 = the next one) fails as the system call would, leaving
// error as the last error; several such faults may be pending at once.
void FailCall(Api api, uint32_t nth, DWORD error = ERROR_ACCESS_DENIED);
// Runs action just before the nth call of api from now on does its work: another process
// acting in that moment.
void BeforeCall(Api api, uint32_t nth, std::function<void()> action);
// Calls of api made since the last Reset.
uint32_t CallCount(Api api);
// The nth WriteFile from now on writes only half of its bytes and reports success with that
// count, as a write cut short by a full disk may.
void ShortenWrite(uint32_t nth);

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  unsigned type;
};
using posix_layer::WindowRecord;
struct WindowMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<MessageBoxRecord> MessageBoxes();
std::vector<WindowRecord> Windows();
std::vector<WindowMessage> WindowMessages();
// Names of the recorded calls, in order, with their main argument: "CloseHandle",
// "SetCurrentDirectoryA /tmp/x", "RemoveDirectoryA /tmp/x", "MessageBoxA Error of Unpacking", ...
std::vector<std::string> Calls();
// Command lines given to CreateProcessA, and "ShellExecuteExA file parameters" for each
// program started through ShellExecuteExA, in order.
std::vector<std::string> CreatedProcesses();
// Open file handles and open file descriptors of the layer right now.
uint32_t OpenFileHandles();
uint32_t OpenDescriptors();

// Stand-ins: the stub's own file name, the desktop size, and silence for message boxes.
void SetModuleFileName(const char* path);  // null: the real executable
// The one resource the module carries (a Linux program has none of its own): a type given by
// name and a numeric id.
void SetResource(const char* type, uint16_t id, const std::vector<uint8_t>& data);
void SetDesktopSize(int width, int height);
void SetSystemDpi(int dpi);  // what GetDeviceCaps(LOGPIXELSY) tells of the screen
void SetQuietMessageBoxes(bool quiet);

// Allocation accounting for fuzzing. While on, LocalAlloc remembers every block until its
// LocalFree, and refuses a block (as the system does when memory runs out) that would take the
// live total past budget bytes: the 32-bit stub never has more than 2 GiB to give.
void TrackAllocations(bool on, size_t budget = SIZE_MAX);
// Frees every block still live since tracking began, and returns how many there were: what a
// run that ended through the failure path leaves for the end of the process to reclaim. Only
// for blocks that nothing will use again.
size_t FreeTrackedAllocations();

// Forgets every fault, record and stand-in above (the redirect included).
void Reset();

// Closes every handle the layer has issued and not yet had closed, as the end of a process
// would: a run that ended through a redirected exit leaves its handles open, and a later test
// in the same process must not meet them (an open file stays undeletable). Returns how many.
size_t CloseLeftoverHandles();

}  // namespace posix_testing
