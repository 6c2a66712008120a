#include "driver/InstallerMain.h"

#include "archive/Archive.h"
#include "archive/InputFile.h"
#include "driver/FileFinder.h"
#include "driver/ProgressWindow.h"
#include "driver/RemoveTree.h"
#include "driver/RunState.h"
#include "extract/ExtractCallback.h"
#include "extract/ExtractItems.h"
#include "support/AnsiString.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"
#include "support/WideString.h"

static const char kSetupName[] = "\\setup.exe";
static const uint32_t kSignatureSearchLimit = 1 << 20;

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
  char tempPath[MAX_PATH] = {0};
  char setupPath[MAX_PATH];
  char moduleFileName[MAX_PATH];
#ifndef _WIN32
  SetConsoleCtrlHandler(EndInterruptedRun, TRUE);
#endif

  // A failed request (or a path too long for the buffer) leaves the buffer undefined: it is
  // not used, and the Windows directory serves as when no name can be made in it.
  DWORD tempLength = GetTempPathA(MAX_PATH, tempPath);
  if (tempLength == 0 || tempLength >= MAX_PATH ||
      !GetTempFileNameA(tempPath, "cab", 0, TempDirName)) {
    GetWindowsDirectoryA(tempPath, MAX_PATH);
    GetTempFileNameA(tempPath, "cab", 0, TempDirName);
  }
  DeleteFileA(TempDirName);
  CreateDirectoryA(TempDirName, nullptr);

  // The setup path must fit its buffer; a longer name cannot be served.
  if (AnsiLength(TempDirName) + sizeof kSetupName > MAX_PATH)
    FatalError("temporary directory name too long");
  AnsiCopy(setupPath, TempDirName);
  AnsiAppend(setupPath, kSetupName);

  GetCurrentDirectoryA(MAX_PATH, SavedCurrentDir);
  SetCurrentDirectoryA(TempDirName);
  CreateProgressWindow(static_cast<HINSTANCE>(module));

  // A truncated module name would open some other file.
  DWORD nameLength = GetModuleFileNameA(nullptr, moduleFileName, MAX_PATH);
  if (nameLength == 0 || nameLength >= MAX_PATH) FatalError("module file name unavailable");
  UnpackArchive(moduleFileName, TempDirName);
  DestroyWindow(mainWindow);

  const char* tail = CommandLineTail(commandLine);
  uint32_t setupLength = AnsiLength(setupPath);
  char* setupCommand = static_cast<char*>(MemAlloc(setupLength + AnsiLength(tail) + 2));
  AnsiCopy(setupCommand, setupPath);
  AnsiAppend(setupCommand, " ");
  AnsiAppend(setupCommand, tail);

  CloseOutputHandles();
  const DWORD setupExitCode = RunSetupProgram(setupCommand);
  MemFree(setupCommand);
  SetCurrentDirectoryA(SavedCurrentDir);
  RemoveTree(WideString::FromAnsi(TempDirName));
  UnregisterClassA("Unpack", static_cast<HINSTANCE>(module));
  return PassesSetupExitCode(module) ? static_cast<int>(setupExitCode) : 0;
}
