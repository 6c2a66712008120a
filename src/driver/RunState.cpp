#include "driver/RunState.h"

#include "archive/ArchiveSignature.h"
#include "driver/InstallerMain.h"
#include "support/Bytes.h"
#include "support/Fatal.h"

char TempDirName[MAX_PATH];
char SavedCurrentDir[MAX_PATH];
HWND mainWindow;
HWND progressBar;
int32_t progressMaximum;
uint32_t progressShift;
uint64_t progressWritten;
DWORD lastMessagePump;
ItemVector<HANDLE>* HandleList;

static void CreateHandleList() { HandleList = New<ItemVector<HANDLE>>(); }

using Initialiser = void (*)();

// Walked in order; empty entries (null or all ones) are passed over.
static const Initialiser kInitialisers[] = {CompleteArchiveSignature, CreateHandleList};

void RunStaticInitialisers() {
  for (Initialiser entry : kInitialisers) {
    if (entry != nullptr && reinterpret_cast<intptr_t>(entry) != -1) entry();
  }
}

void ResetRunState() {
  FillBytes(TempDirName, 0, sizeof TempDirName);
  FillBytes(SavedCurrentDir, 0, sizeof SavedCurrentDir);
  mainWindow = nullptr;
  progressBar = nullptr;
  progressMaximum = 0;
  progressShift = 0;
  progressWritten = 0;
  lastMessagePump = 0;
  stubOptions = StubOptions();  // a run packed without a user interface must not silence the next
  ResetFailurePath();
  RunStaticInitialisers();
}
