// The single failure path of the unpacker: both routines end the process with exit code 1.
// What a failed run leaves behind is the program's to clean up: it installs its clean-up at
// start-up (the stub's driver shows the boxes, closes its files and removes its tree), and the
// failure path runs it first. Without one, a failure only ends the process. `reason` tells
// tests and stubpack why a run ended; no message box shows it.
#pragma once
#include "support/FailureReason.h"

// Called once by the failure path before the process ends, with ReportFatal's message (null
// from FatalError). A failure inside it ends the run without calling it again.
using FailureCleanUp = void (*)(const char* message);
void SetFailureCleanUp(FailureCleanUp cleanUp);
// Forgets a clean-up that a test seam or the hook cut short, as in a fresh process.
void ResetFailurePath();

// STUBKIT_HOSTED_CORE: the core built for Windows into a program that runs it (stubpack.exe),
// which keeps the reasons and the hook as the Linux build does.
#if defined(_WIN32) && !defined(STUBKIT_HOSTED_CORE)
// The Windows stub keeps no reason: it shows none and nothing there reads one. These overloads
// drop the reason where it is given, so that no failure site pays for passing it.
[[noreturn]] void FatalError();
[[noreturn]] void ReportFatal(const char* message);
[[noreturn]] inline void FatalError(FailureReason) { FatalError(); }
[[noreturn]] inline void ReportFatal(const char* message, FailureReason) { ReportFatal(message); }
// The stub is the whole program: nothing takes over the end of a failed run.
inline bool FailureHooked() { return false; }
#else
[[noreturn]] void FatalError(FailureReason reason);
[[noreturn]] void ReportFatal(const char* message, FailureReason reason);

// The reason given to the last FatalError or ReportFatal call, or None.
FailureReason LastFatalReason();

// A program that runs the stub's code inside itself (stubpack) takes over the end of a failed
// run: with a hook set, a failure shows no message box, cleans up as usual, then calls the hook
// with its reason and ReportFatal's message (null from FatalError) where the process would end.
// The hook must not return; if it does, the process ends. A null hook restores the default.
using FailureHook = void (*)(FailureReason reason, const char* message);
void SetFailureHook(FailureHook hook);
bool FailureHooked();
#endif
