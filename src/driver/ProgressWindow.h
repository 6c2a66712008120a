// The "Unpack" window with its progress bar, and the output handles kept open until the
// setup program starts. Every kept handle moves the bar.
#pragma once
#include "platform/win32.h"

void CreateProgressWindow(HINSTANCE instance);
void AddOutputHandle(HANDLE file);
void CloseOutputHandles();
LRESULT CALLBACK UnpackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
