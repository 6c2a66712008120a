#include "driver/InstallerMain.h"

#include "driver/FailedRunCleanUp.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "driver/TemporaryDirectory.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractArchive.h"
#include "format/InstallerOptions.h"
#include "support/AnsiString.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"
#include "support/WideString.h"

void UnpackArchive(const char* moduleFileName, const char* outputDirectory) {
  WideString installerPath = WideString::FromAnsi(moduleFileName);
  Archive* archive = OpenInstallerArchive(installerPath);
  EntryWriter writer;
  ExtractArchive(*archive, installerPath, WideString::FromAnsi(outputDirectory),
                 kOutputHandleList, writer);
}

int InstallerMain(HMODULE module, const char* commandLine) {
  char setupPath[MAX_PATH];
  char moduleFileName[MAX_PATH];
  InstallFailedRunCleanUp();
#ifndef _WIN32
  SetConsoleCtrlHandler(EndInterruptedRun, TRUE);
#endif

  MakeTemporaryDirectory();

  // The setup path must fit its buffer; a longer name cannot be served.
  if (AnsiLength(TempDirName) + 1 + sizeof kSetupProgramName > MAX_PATH)
    FatalError(FailureReason::TempDirectoryNameTooLong);
  AnsiCopy(setupPath, TempDirName);
  AnsiAppend(setupPath, "\\");
  AnsiAppend(setupPath, kSetupProgramName);

  GetCurrentDirectoryA(MAX_PATH, SavedCurrentDir);
  if (!SetCurrentDirectoryA(TempDirName)) FatalError(FailureReason::TempDirectoryNotEntered);
  CreateProgressWindow(static_cast<HINSTANCE>(module));

  // A truncated module name would open some other file.
  DWORD nameLength = GetModuleFileNameA(nullptr, moduleFileName, MAX_PATH);
  if (nameLength == 0 || nameLength >= MAX_PATH)
    FatalError(FailureReason::ModuleFileNameUnavailable);
  UnpackArchive(moduleFileName, TempDirName);
  DestroyWindow(mainWindow);
  mainWindow = nullptr;  // a later box has no window to belong to

  // The setup path in quotes: a blank in the temporary path must not split it.
  const char* tail = CommandLineTail(commandLine);
  uint32_t setupLength = AnsiLength(setupPath);
  char* setupCommand = static_cast<char*>(MemAlloc(setupLength + AnsiLength(tail) + 4));
  AnsiCopy(setupCommand, "\"");
  AnsiAppend(setupCommand, setupPath);
  AnsiAppend(setupCommand, "\" ");
  AnsiAppend(setupCommand, tail);

  CloseOutputHandles();
  const DWORD setupExitCode = RunSetupProgram(setupPath, tail, setupCommand);
  MemFree(setupCommand);
  SetCurrentDirectoryA(SavedCurrentDir);
  RemoveTree(WideString::FromAnsi(TempDirName));
  UnregisterClassA(kWindowClassName, static_cast<HINSTANCE>(module));
  return PassesSetupExitCode(module) ? static_cast<int>(setupExitCode) : 0;
}
