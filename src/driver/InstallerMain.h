// One complete installer run: temporary directory, window, unpacking, setup program, clean-up.
#pragma once
#include "platform/win32.h"

// Returns 0 after a complete run; a failure ends the process through FatalError instead.
int InstallerMain(HMODULE module, const char* commandLine);
// Unpacks the archive appended to the stub's own file into the output directory.
void UnpackArchive(const char* moduleFileName, const char* outputDirectory);
// Starts setup.exe by its command line (through the shell when Windows wants consent first),
// waits for it and returns its exit code. Without a setup.exe there is nothing to run (0); one
// that is there but cannot be started ends the run through FatalError.
DWORD RunSetupProgram(const char* setupPath, const char* tail, char* commandLine);
// Whether the installer was packed to exit with setup.exe's exit code: flag 1 of the options
// resource (type "STUBKIT", id 1, a 32-bit word) that stubpack writes. Without it, exit 0.
bool PassesSetupExitCode(HMODULE module);
// The arguments after the program name, by the stub's scanning rule.
const char* CommandLineTail(const char* commandLine);
#ifndef _WIN32
// Ends a run that a signal interrupted, as the failure path does but without a message box:
// the control routine for SIGINT, SIGHUP and SIGTERM (a Windows GUI process gets no such
// events).
BOOL WINAPI EndInterruptedRun(DWORD event);
#endif
