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

#ifdef _WIN32
// The stub is the whole program: every failure shows its boxes and ends the process.
static bool Hooked() { return false; }
static void CallHook(const char*) {}
#else
static FailureReason fatalReason = FailureReason::None;
static FailureHook failureHook = nullptr;

FailureReason LastFatalReason() { return fatalReason; }
void SetFailureHook(FailureHook hook) { failureHook = hook; }

static bool Hooked() { return failureHook != nullptr; }
static void CallHook(const char* message) {
  if (failureHook) failureHook(fatalReason, message);
}
#endif

// The message boxes, the clean-up, and the end of the process (or the hook).
[[noreturn]] static void EndFailedRun(const char* message) {
  const bool showBoxes = !Hooked();
  if (message && showBoxes) MessageBoxA(nullptr, message, "Unpacker", MB_ICONERROR);
  // A failure during the clean-up itself (memory exhausted) ends the run at once.
  if (!insideFatalError) {
    insideFatalError = true;
    if (showBoxes) {
      MessageBoxA(mainWindow,
                  "Unpacking failed\nFile corrupted or problems with temporary directory",
                  "Error of Unpacking", MB_ICONERROR);
    }
    CleanUpRun();
  }
  insideFatalError = false;  // only a test seam or the hook lets the process go on after this
  CallHook(message);
  ExitProcess(1);
}

#ifdef _WIN32
void FatalError() { EndFailedRun(nullptr); }
void ReportFatal(const char* message) { EndFailedRun(message); }
#else
void FatalError(FailureReason reason) { ReportFatal(nullptr, reason); }

void ReportFatal(const char* message, FailureReason reason) {
  if (!insideFatalError) fatalReason = reason;  // a failure in the clean-up keeps the first
  EndFailedRun(message);
}
#endif
