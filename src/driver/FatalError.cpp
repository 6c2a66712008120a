#include "driver/InstallerMain.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "support/Fatal.h"
#include "support/WideString.h"

static bool insideFatalError = false;

#ifdef _WIN32
// The Windows stub shows no reason and nothing reads one: keeping it would give every failure
// site an argument to pass (about 350 bytes of code).
static void KeepReason(FailureReason) {}
#else
static FailureReason fatalReason = FailureReason::None;
static void KeepReason(FailureReason reason) { fatalReason = reason; }
FailureReason LastFatalReason() { return fatalReason; }
#endif

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

void FatalError(FailureReason reason) {
  // A failure during the clean-up itself (memory exhausted) ends the process at once and
  // keeps the first reason.
  if (insideFatalError) {
    insideFatalError = false;
    ExitProcess(1);
  }
  KeepReason(reason);
  insideFatalError = true;
  MessageBoxA(mainWindow, "Unpacking failed\nFile corrupted or problems with temporary directory",
              "Error of Unpacking", MB_ICONERROR);
  CleanUpRun();
  insideFatalError = false;  // only a test seam lets the run go on after this
  ExitProcess(1);
}

void ReportFatal(const char* message, FailureReason reason) {
  MessageBoxA(nullptr, message, "Unpacker", MB_ICONERROR);
  FatalError(reason);
}
