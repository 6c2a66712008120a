// The single failure path of the unpacker. Both routines end the process with exit code 1
// after cleaning up; they are defined by the driver. `reason` tells tests and stubpack why a
// run ended; no message box shows it.
#pragma once
#include "support/FailureReason.h"

[[noreturn]] void FatalError(FailureReason reason);
[[noreturn]] void ReportFatal(const char* message, FailureReason reason);

// The reason given to the last FatalError or ReportFatal call, or None. Linux build only: the
// Windows stub keeps no reason.
FailureReason LastFatalReason();
