#include "driver/InstallerMain.h"
#include "support/Bytes.h"
#include "support/Fatal.h"

// A process started outside the job (by the shell) joins it as soon as it is known; what it
// started before then is not waited for.
static HANDLE JoinedOrNone(HANDLE job, HANDLE process) {
  if (job && !AssignProcessToJobObject(job, process)) {
    CloseHandle(job);
    return nullptr;  // a job that cannot be had: the program alone is waited for
  }
  return job;
}

DWORD RunSetupProgram(const char* programPath, const char* parameters, char* commandLine,
                      bool waitForAll) {
  HANDLE job = waitForAll ? CreateWaitJob() : nullptr;
  STARTUPINFOA startup;
  FillBytes(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  HANDLE started;
  // Suspended until it is in the job, so that nothing it starts escapes the wait.
  if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, job ? CREATE_SUSPENDED : 0,
                     nullptr, nullptr, &startup, &process)) {
    started = process.hProcess;
    job = JoinedOrNone(job, started);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
  } else {
    DWORD error = GetLastError();
    // The archive holds no such program: nothing to run.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
    // A program that asks for administrator rights (the shell asks for consent), or a file
    // that is not a program: the shell starts it, or what opens it.
    if (error != ERROR_ELEVATION_REQUIRED && error != ERROR_BAD_EXE_FORMAT)
      FatalError(FailureReason::SetupProgramNotStarted);
    SHELLEXECUTEINFOA shell;
    FillBytes(&shell, 0, sizeof shell);
    shell.cbSize = sizeof shell;
    shell.fMask = SEE_MASK_NOCLOSEPROCESS;
    shell.lpFile = programPath;
    shell.lpParameters = parameters;
    shell.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&shell)) FatalError(FailureReason::SetupProgramNotStarted);
    started = shell.hProcess;
    if (!started) return 0;  // handed to a running program: nothing of ours to wait for
    job = JoinedOrNone(job, started);
  }
  WaitForSingleObject(started, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(started, &exitCode);
  CloseHandle(started);
  if (job) {
    WaitForEmptyJob(job);
    CloseHandle(job);
  }
  return exitCode;
}
