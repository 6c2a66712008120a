// The "Unpack" window with its progress bar, and the output handles kept open until the
// setup program starts. Every kept handle moves the bar.
#pragma once
#include "platform/win32.h"

void CreateProgressWindow(HINSTANCE instance);
// Makes room for one more handle without adding one. Called before an output file is created,
// so that adding its handle cannot fail for memory and leave the file open where the failure
// path cannot close it (an open file cannot be deleted).
void ReserveOutputHandle();
void AddOutputHandle(HANDLE file);
void CloseOutputHandles();
LRESULT CALLBACK UnpackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
