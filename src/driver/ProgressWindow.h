// The "Unpack" window with its progress bar, and the output handles kept open until the
// setup program starts. The bar shows the bytes written of the total; the window's messages
// are read as it moves.
#pragma once
#include "extract/HandleKeeper.h"
#include "platform/win32.h"

// The window's class, registered when it is made and unregistered at the end of the run.
constexpr char kWindowClassName[] = "Unpack";

// Captioned "Unpack", or title when one is given.
void CreateProgressWindow(HINSTANCE instance, const WCHAR* title = nullptr);
// The handle list: Reserve and Keep of HandleKeeper (which says why room is made first).
void ReserveOutputHandle();
void AddOutputHandle(HANDLE file);
void CloseOutputHandles();
// The bar's range: the bytes of every file to write. Then its position: bytes more written.
void ExpectOutputBytes(uint64_t totalBytes);
void AdvanceOutputBytes(uint32_t bytes);
// Reserve, Keep, Expect and Advance above, handed to the extraction.
extern const HandleKeeper kOutputHandleList;
LRESULT CALLBACK UnpackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
