#include "support/Fatal.h"

#include "platform/win32.h"

static FailureCleanUp failureCleanUp = nullptr;
static bool insideCleanUp = false;

void SetFailureCleanUp(FailureCleanUp cleanUp) { failureCleanUp = cleanUp; }
void ResetFailurePath() { insideCleanUp = false; }

#if defined(_WIN32) && !defined(STUBKIT_HOSTED_CORE)
static void CallHook(const char*) {}
#else
static FailureReason fatalReason = FailureReason::None;
static FailureHook failureHook = nullptr;

FailureReason LastFatalReason() { return fatalReason; }
void SetFailureHook(FailureHook hook) { failureHook = hook; }
bool FailureHooked() { return failureHook != nullptr; }

static void CallHook(const char* message) {
  if (failureHook) failureHook(fatalReason, message);
}
#endif

// The program's clean-up, then the end of the process (or the hook).
[[noreturn]] static void EndFailedRun(const char* message) {
  // A failure during the clean-up itself (memory exhausted) ends the run at once.
  if (!insideCleanUp && failureCleanUp) {
    insideCleanUp = true;
    failureCleanUp(message);
  }
  insideCleanUp = false;  // only a test seam or the hook lets the process go on after this
  CallHook(message);
  ExitProcess(1);
}

#if defined(_WIN32) && !defined(STUBKIT_HOSTED_CORE)
void FatalError() { EndFailedRun(nullptr); }
void ReportFatal(const char* message) { EndFailedRun(message); }
#else
void FatalError(FailureReason reason) { ReportFatal(nullptr, reason); }

void ReportFatal(const char* message, FailureReason reason) {
  if (!insideCleanUp) fatalReason = reason;  // a failure in the clean-up keeps the first
  EndFailedRun(message);
}
#endif
