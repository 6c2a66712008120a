#include "driver/ProgressWindow.h"

#include "driver/RunState.h"
#include "platform/SystemLibraries.h"
#include "support/Bytes.h"

LRESULT CALLBACK UnpackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

void AddOutputHandle(HANDLE file) {
  HandleList->Add(file);
  int32_t count = int32_t(HandleList->Count());
  // The range doubles to twice the count whenever the count passes it.
  if (count > progressMaximum) {
    progressMaximum = 2 * count;
    SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, progressMaximum & 0xFFFF));
  }
  SendMessageA(progressBar, PBM_SETPOS, WPARAM(count - 1), 0);
}

const HandleKeeper kOutputHandleList = {ReserveOutputHandle, AddOutputHandle};

void CloseOutputHandles() {
  if (!HandleList) return;
  for (uint32_t i = 0; i < HandleList->Count(); ++i) {
    CloseHandle((*HandleList)[i]);
    // Memory running out after this (on the way to the clean-up) runs the failure path, which
    // closes the list again: a closed handle's value may by then name another object.
    (*HandleList)[i] = INVALID_HANDLE_VALUE;
  }
}
