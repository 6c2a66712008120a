#include "driver/InstallerMain.h"

#include "archive/Archive.h"
#include "archive/InputFile.h"
#include "driver/FileFinder.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "driver/TemporaryDirectory.h"
#include "extract/ExtractCallback.h"
#include "extract/ExtractItems.h"
#include "format/SignatureScan.h"
#include "support/AnsiString.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"
#include "support/WideString.h"

static const char kSetupName[] = "\\setup.exe";

void UnpackArchive(const char* moduleFileName, const char* outputDirectory) {
  WideString archivePath = WideString::FromAnsi(moduleFileName);
  WideString directory = WideString::FromAnsi(outputDirectory);

  InputFile* file = New<InputFile>();
  file->Open(archivePath);
  Archive* archive = New<Archive>();
  OpenArchive(*archive, *file, kSignatureSearchLimit);

  if (directory.CharAt(directory.Length() - 1) != '\\') directory.AppendUnit('\\');

  ExtractCallback callback;
  WIN32_FIND_DATAA record;
  if (!FindPath(archivePath.ToAnsi(), &record)) FatalError("stub file not found");

  callback.Init(archive, directory, record.ftLastWriteTime, 0);
  ExtractItems(*archive, archive->Database.Files.Count(), callback);
  // The file and the archive stay open until the process ends.
}

int InstallerMain(HMODULE module, const char* commandLine) {
  char setupPath[MAX_PATH];
  char moduleFileName[MAX_PATH];
#ifndef _WIN32
  SetConsoleCtrlHandler(EndInterruptedRun, TRUE);
#endif

  MakeTemporaryDirectory();

  // The setup path must fit its buffer; a longer name cannot be served.
  if (AnsiLength(TempDirName) + sizeof kSetupName > MAX_PATH)
    FatalError("temporary directory name too long");
  AnsiCopy(setupPath, TempDirName);
  AnsiAppend(setupPath, kSetupName);

  GetCurrentDirectoryA(MAX_PATH, SavedCurrentDir);
  if (!SetCurrentDirectoryA(TempDirName)) FatalError("temporary directory cannot be entered");
  CreateProgressWindow(static_cast<HINSTANCE>(module));

  // A truncated module name would open some other file.
  DWORD nameLength = GetModuleFileNameA(nullptr, moduleFileName, MAX_PATH);
  if (nameLength == 0 || nameLength >= MAX_PATH) FatalError("module file name unavailable");
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
  UnregisterClassA("Unpack", static_cast<HINSTANCE>(module));
  return PassesSetupExitCode(module) ? static_cast<int>(setupExitCode) : 0;
}
