// Process-wide state of one installer run.
#pragma once
#include <cstdint>

#include "platform/win32.h"
#include "support/ItemVector.h"

extern char TempDirName[MAX_PATH];      // the temporary directory of this run
extern char SavedCurrentDir[MAX_PATH];  // the current directory at start
extern HWND mainWindow;                 // the "Unpack" window
extern HWND progressBar;                // its progress bar
extern int32_t progressMaximum;         // upper bound last given to the bar
extern uint32_t progressShift;          // bytes >> progressShift are the bar's units
extern uint64_t progressWritten;        // bytes written so far
extern DWORD lastMessagePump;           // tick count when the window's messages were last read
extern ItemVector<HANDLE>* HandleList;  // every output file handle of this run, in order

// Runs the start-up initialisers in table order: the archive signature, the handle list.
void RunStaticInitialisers();
// Returns the run state to what the start-up leaves, so one process can run several times.
void ResetRunState();
