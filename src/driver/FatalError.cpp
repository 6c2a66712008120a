#include "driver/InstallerMain.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "support/Fatal.h"
#include "support/WideString.h"

static bool insideFatalError = false;

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

// The message box, the clean-up and the end of the process.
[[noreturn]] static void EndFailedRun() {
  // A failure during the clean-up itself (memory exhausted) ends the process at once.
  if (insideFatalError) {
    insideFatalError = false;
    ExitProcess(1);
  }
  insideFatalError = true;
  MessageBoxA(mainWindow, "Unpacking failed\nFile corrupted or problems with temporary directory",
              "Error of Unpacking", MB_ICONERROR);
  CleanUpRun();
  insideFatalError = false;  // only a test seam lets the run go on after this
  ExitProcess(1);
}

static void ShowMessage(const char* message) {
  MessageBoxA(nullptr, message, "Unpacker", MB_ICONERROR);
}

#ifdef _WIN32
void FatalError() { EndFailedRun(); }

void ReportFatal(const char* message) {
  ShowMessage(message);
  EndFailedRun();
}
#else
static FailureReason fatalReason = FailureReason::None;

FailureReason LastFatalReason() { return fatalReason; }

void FatalError(FailureReason reason) {
  if (!insideFatalError) fatalReason = reason;  // a failure in the clean-up keeps the first
  EndFailedRun();
}

void ReportFatal(const char* message, FailureReason reason) {
  ShowMessage(message);
  FatalError(reason);
}
#endif
