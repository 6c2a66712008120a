#include "driver/InstallerMain.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "support/Fatal.h"
#include "support/WideString.h"

static const char* fatalReason = nullptr;
static bool insideFatalError = false;

const char* LastFatalReason() { return fatalReason; }

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

void (FatalError)(const char* reason) {
  // A failure during the clean-up itself (memory exhausted) ends the process at once and
  // keeps the first reason.
  if (insideFatalError) {
    insideFatalError = false;
    ExitProcess(1);
  }
  fatalReason = reason;
  insideFatalError = true;
  MessageBoxA(mainWindow, "Unpacking failed\nFile corrupted or problems with temporary directory",
              "Error of Unpacking", MB_ICONERROR);
  CleanUpRun();
  insideFatalError = false;  // only a test seam lets the run go on after this
  ExitProcess(1);
}

void (ReportFatal)(const char* message, const char* reason) {
  fatalReason = reason ? reason : message;
  MessageBoxA(nullptr, message, "Unpacker", MB_ICONERROR);
  (FatalError)(reason ? reason : message);
}
