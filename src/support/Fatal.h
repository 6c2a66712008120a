// The single failure path of the unpacker. Both routines end the process with exit code 1
// after cleaning up; they are defined by the driver. `reason` tells tests and stubpack why a
// run ended; no message box shows it.
#pragma once
#include "support/FailureReason.h"

#ifdef _WIN32
// The Windows stub keeps no reason: it shows none and nothing there reads one. These overloads
// drop the reason where it is given, so that no failure site pays for passing it.
[[noreturn]] void FatalError();
[[noreturn]] void ReportFatal(const char* message);
[[noreturn]] inline void FatalError(FailureReason) { FatalError(); }
[[noreturn]] inline void ReportFatal(const char* message, FailureReason) { ReportFatal(message); }
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
#endif
