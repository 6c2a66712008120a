#include "driver/FailedRunCleanUp.h"

#include "driver/InstallerMain.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "support/Fatal.h"
#include "support/WideString.h"

// What an ended run leaves: no output file open, the first current directory, no tree.
static void CleanUpRun() {
  CloseOutputHandles();
  SetCurrentDirectoryA(SavedCurrentDir);
  RemoveTree(WideString::FromAnsi(TempDirName));
}

#ifndef _WIN32
// An interrupted run (Ctrl+C, a closed terminal, a request to stop) ends as a failed one does,
// without the message box: nobody is there to read it.
BOOL WINAPI EndInterruptedRun(DWORD) {
  CleanUpRun();
  return FALSE;  // the process then ends as the signal asks
}
#endif

// The message boxes (unless a program running the stub's code has taken over), then the
// clean-up. An installer packed without a user interface runs where nobody may be there to
// close a box (a deployment as SYSTEM): their texts go to the debugger's output instead.
static void CleanUpFailedRun(const char* message) {
  if (!FailureHooked()) {
    const char* general = "Unpacking failed\nFile corrupted or problems with temporary directory";
    if (stubOptions.flags & kOptionNoUserInterface) {
      if (message) OutputDebugStringA(message);
      OutputDebugStringA(general);
    } else {
      if (message) MessageBoxA(nullptr, message, "Unpacker", MB_ICONERROR);
      MessageBoxA(mainWindow, general, "Error of Unpacking", MB_ICONERROR);
    }
  }
  CleanUpRun();
}

void InstallFailedRunCleanUp() { SetFailureCleanUp(CleanUpFailedRun); }
