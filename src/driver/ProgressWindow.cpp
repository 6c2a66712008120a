#include "driver/ProgressWindow.h"

#include "driver/RunState.h"
#include "platform/SystemLibraries.h"
#include "support/Bytes.h"

// The window cannot be closed (Alt+F4 included): the unpacking goes on whatever the user does,
// and the run removes what it wrote.
LRESULT CALLBACK UnpackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

void CreateProgressWindow(HINSTANCE instance, const WCHAR* title) {
  WNDCLASSA windowClass;
  FillBytes(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = UnpackWindowProc;
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassA(&windowClass);

  // 200 x 40 at 96 DPI, scaled to the screen's DPI (the manifest declares the stub DPI aware,
  // so Windows does not stretch a blurry bitmap of it).
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  int width = MulDiv(200, dpi, 96);
  int height = MulDiv(40, dpi, 96);
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  mainWindow = CreateWindowExA(0, kWindowClassName, "Unpack", WS_CAPTION, (desktop.right - width) / 2,
                               (desktop.bottom - height) / 2, width, height, nullptr, nullptr,
                               instance, nullptr);
  // The publisher's caption, before the window shows; through UTF-16, since the ANSI code
  // page is UTF-8 only on the newest Windows.
  if (title && *title) SetWindowTextW(mainWindow, title);
  LoadCommonControls();

  RECT client;
  GetClientRect(mainWindow, &client);
  progressBar = CreateWindowExA(0, "msctls_progress32", "", WS_CHILD, 0, 0, client.right,
                                client.bottom, mainWindow, nullptr, instance, nullptr);
  ShowWindow(progressBar, SW_SHOWNORMAL);
  ShowWindow(mainWindow, SW_SHOWNORMAL);
  UpdateWindow(mainWindow);
}

void ReserveOutputHandle() {
  HandleList->Add(INVALID_HANDLE_VALUE);
  HandleList->RemoveLast();
}

void AddOutputHandle(HANDLE file) { HandleList->Add(file); }

// Reads the window's messages without waiting for any: Windows marks a window whose thread
// leaves them unread for five seconds as not responding, and the window repaints only through
// them.
static void ReadWindowMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  lastMessagePump = GetTickCount();
}

// The bar counts bytes in units of 2^progressShift bytes, the smallest that keeps the total
// within PBM_SETRANGE's 16 bits. Position and range are shifted alike, so the bar never moves
// back and is full exactly when the last byte is written.
void ExpectOutputBytes(uint64_t totalBytes) {
  progressShift = 0;
  while ((totalBytes >> progressShift) > 0xFFFF) ++progressShift;
  progressMaximum = int32_t(totalBytes >> progressShift);
  progressWritten = 0;
  if (progressMaximum) SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, progressMaximum));
  ReadWindowMessages();
}

// Messages are read at each step of the bar, and at least every kMessagePumpInterval while
// entries are made or decoded without one.
constexpr DWORD kMessagePumpInterval = 100;

void AdvanceOutputBytes(uint32_t bytes) {
  const uint64_t before = progressWritten >> progressShift;
  progressWritten += bytes;
  const uint64_t position = progressWritten >> progressShift;
  if (position != before) {
    SendMessageA(progressBar, PBM_SETPOS, WPARAM(position), 0);
  } else if (GetTickCount() - lastMessagePump < kMessagePumpInterval) {
    return;
  }
  ReadWindowMessages();
}

const HandleKeeper kOutputHandleList = {ReserveOutputHandle, AddOutputHandle, ExpectOutputBytes,
                                        AdvanceOutputBytes};

void CloseOutputHandles() {
  if (!HandleList) return;
  for (uint32_t i = 0; i < HandleList->Count(); ++i) {
    CloseHandle((*HandleList)[i]);
    // Memory running out after this (on the way to the clean-up) runs the failure path, which
    // closes the list again: a closed handle's value may by then name another object.
    (*HandleList)[i] = INVALID_HANDLE_VALUE;
  }
}
