#include "driver/InstallerMain.h"
#include "support/Bytes.h"
#include "support/Fatal.h"

DWORD RunSetupProgram(const char* setupPath, const char* tail, char* commandLine) {
  STARTUPINFOA startup;
  FillBytes(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  HANDLE started;
  if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    started = process.hProcess;
  } else {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return 0;  // the archive holds no setup program
    if (error != ERROR_ELEVATION_REQUIRED) FatalError(FailureReason::SetupProgramNotStarted);
    // setup.exe asks for administrator rights: the shell starts it and asks for consent.
    SHELLEXECUTEINFOA shell;
    FillBytes(&shell, 0, sizeof shell);
    shell.cbSize = sizeof shell;
    shell.fMask = SEE_MASK_NOCLOSEPROCESS;
    shell.lpFile = setupPath;
    shell.lpParameters = tail;
    shell.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&shell)) FatalError(FailureReason::SetupProgramNotStarted);
    started = shell.hProcess;
    if (!started) return 0;  // handed to a running program: nothing of ours to wait for
  }
  WaitForSingleObject(started, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(started, &exitCode);
  CloseHandle(started);
  return exitCode;
}
