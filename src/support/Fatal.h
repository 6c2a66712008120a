// The single failure path of the unpacker. Both routines end the process with exit code 1
// after cleaning up; they are defined by the driver. `reason` is a short internal note that
// no message box shows: tests and stubpack read it to tell why a run ended.
#pragma once

[[noreturn]] void FatalError(const char* reason = nullptr);
[[noreturn]] void ReportFatal(const char* message, const char* reason = nullptr);

// The reason given to the last FatalError or ReportFatal call, or null.
const char* LastFatalReason();

#ifdef _WIN32
// The Windows stub never shows a reason: keep their texts out of the executable.
#define FatalError(reason) (FatalError)(nullptr)
#define ReportFatal(message, ...) (ReportFatal)(message)
#endif
