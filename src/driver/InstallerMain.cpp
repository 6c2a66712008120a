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
  InstallerOptions options;
  LoadStubOptions(module, options);
  const bool showWindow = !(stubOptions.flags & kOptionNoUserInterface);

  MakeTemporaryDirectory();
  LoadStubOptionTexts(options);

  // The program's path must fit its buffer; a longer name cannot be served.
  const char* program =
      stubOptions.runPath->Length() ? stubOptions.runPath->ToAnsi() : kSetupProgramName;
  if (AnsiLength(TempDirName) + 1 + AnsiLength(program) + 1 > MAX_PATH)
    FatalError(FailureReason::TempDirectoryNameTooLong);
  AnsiCopy(setupPath, TempDirName);
  AnsiAppend(setupPath, "\\");
  AnsiAppend(setupPath, program);

  GetCurrentDirectoryA(MAX_PATH, SavedCurrentDir);
  if (!SetCurrentDirectoryA(TempDirName)) FatalError(FailureReason::TempDirectoryNotEntered);
  if (showWindow) CreateProgressWindow(static_cast<HINSTANCE>(module), stubOptions.title->Units());

  // A truncated module name would open some other file.
  DWORD nameLength = GetModuleFileNameA(nullptr, moduleFileName, MAX_PATH);
  if (nameLength == 0 || nameLength >= MAX_PATH)
    FatalError(FailureReason::ModuleFileNameUnavailable);
  UnpackArchive(moduleFileName, TempDirName);
  DestroyWindow(mainWindow);
  mainWindow = nullptr;  // a later box has no window to belong to

  // The packed arguments come first, then the stub's own; the program's path in quotes: a
  // blank in the temporary path must not split it.
  const char* tail = CommandLineTail(commandLine);
  const char* arguments = stubOptions.arguments->ToAnsi();
  uint32_t setupLength = AnsiLength(setupPath);
  char* setupCommand = static_cast<char*>(
      MemAlloc(setupLength + AnsiLength(arguments) + AnsiLength(tail) + 5));
  AnsiCopy(setupCommand, "\"");
  AnsiAppend(setupCommand, setupPath);
  AnsiAppend(setupCommand, "\" ");
  char* parameters = setupCommand + setupLength + 3;  // what follows the program's name
  AnsiAppend(setupCommand, arguments);
  if (*arguments) AnsiAppend(setupCommand, " ");
  AnsiAppend(setupCommand, tail);

  CloseOutputHandles();
  const DWORD setupExitCode = RunSetupProgram(setupPath, parameters, setupCommand,
                                              stubOptions.flags & kOptionWaitForAll);
  MemFree(setupCommand);
  SetCurrentDirectoryA(SavedCurrentDir);
  RemoveTree(WideString::FromAnsi(TempDirName));
  UnregisterClassA(kWindowClassName, static_cast<HINSTANCE>(module));
  return stubOptions.flags & kOptionExitWithSetupCode ? static_cast<int>(setupExitCode) : 0;
}
