// One complete installer run: temporary directory, window, unpacking, setup program, clean-up.
#pragma once
#include "format/InstallerOptions.h"
#include "platform/win32.h"
#include "support/WideString.h"

// Returns 0 after a complete run; a failure ends the process through FatalError instead.
int InstallerMain(HMODULE module, const char* commandLine);
// Unpacks the archive appended to the stub's own file into the output directory.
void UnpackArchive(const char* moduleFileName, const char* outputDirectory);
// Starts the program by its command line (through the shell when Windows wants consent first
// or the file is no program of its own, such as an .msi), waits for it and returns its exit
// code; with waitForAll, also for every process it starts that stays in its job. Without the
// program there is nothing to run (0); one that is there but cannot be started ends the run
// through FatalError. parameters is the command line after the program's name.
DWORD RunSetupProgram(const char* programPath, const char* parameters, char* commandLine,
                      bool waitForAll);
// The job that with waitForAll holds the program and what it starts, or null where no job
// can be had. Processes may leave it on purpose (CREATE_BREAKAWAY_FROM_JOB).
HANDLE CreateWaitJob();
// Waits until no process of the job is left.
void WaitForEmptyJob(HANDLE job);
// The publisher's choices: the options resource that stubpack writes (type "STUBKIT", id 1);
// without one, the defaults (empty texts). LoadStubOptions reads it into options (the texts
// point into the resource) and sets the flags, before anything else can fail;
// LoadStubOptionTexts then gives the texts in UTF-16 (it allocates).
// A malformed resource ends the run in either: the installer is damaged.
struct StubOptions {
  uint32_t flags;
  const WideString* runPath;
  const WideString* arguments;
  const WideString* title;
};
extern StubOptions stubOptions;
void LoadStubOptions(HMODULE module, InstallerOptions& options);
void LoadStubOptionTexts(const InstallerOptions& options);
// The arguments after the program name, by the stub's scanning rule.
const char* CommandLineTail(const char* commandLine);
#ifndef _WIN32
// Ends a run that a signal interrupted, as the failure path does but without a message box:
// the control routine for SIGINT, SIGHUP and SIGTERM (a Windows GUI process gets no such
// events).
BOOL WINAPI EndInterruptedRun(DWORD event);
#endif
