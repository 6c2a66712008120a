// The window and the progress bar are a headless recorder; message boxes print
// "caption: text" to stderr and return at once.
#include <cstdio>
#include <cmath>

#include "platform/SystemLibraries.h"
#include "platform/posix/PosixInternal.h"

namespace posix_layer {

std::vector<WindowRecord>& WindowTable() {
  static auto* table = new std::vector<WindowRecord>;
  return *table;
}

namespace {

// The desktop is a window handle of its own.
HWND const kDesktop = reinterpret_cast<HWND>(intptr_t(0x10010));

WindowRecord* Find(HWND window) {
  intptr_t index = reinterpret_cast<intptr_t>(window) - 1;
  auto& table = WindowTable();
  if (index < 0 || size_t(index) >= table.size()) return nullptr;
  return &table[size_t(index)];
}

}  // namespace
}  // namespace posix_layer

using namespace posix_layer;

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
  if constexpr (kSeams) RecordCall(std::string("RegisterClassA ") + windowClass->lpszClassName);
  return 1;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  if constexpr (kSeams) RecordCall(std::string("UnregisterClassA ") + className);
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE instance,
                            LPVOID) {
  auto& table = WindowTable();
  table.push_back(WindowRecord{nullptr, className ? className : "", title ? title : "", style,
                               x, y, width, height, parent, instance, -1, false});
  HWND handle = reinterpret_cast<HWND>(intptr_t(table.size()));
  table.back().handle = handle;
  if constexpr (kSeams) RecordCall(std::string("CreateWindowExA ") + (className ? className : ""));
  return handle;
}

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

HWND WINAPI GetDesktopWindow() { return kDesktop; }

// One device context: the screen's.
HDC WINAPI GetDC(HWND) { return kDesktop; }
int WINAPI ReleaseDC(HWND, HDC) { return 1; }
int WINAPI GetDeviceCaps(HDC context, int index) {
  if (context != kDesktop || index != LOGPIXELSY) return 0;
  if constexpr (kSeams) return StandIns().systemDpi;
  return kSystemDpi;
}
int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  return int(std::lround(double(number) * numerator / denominator));  // half away from zero
}

BOOL WINAPI GetClientRect(HWND window, RECT* rect) {
  *rect = RECT{0, 0, 0, 0};
  if (window == kDesktop) {
    rect->right = kDesktopWidth;
    rect->bottom = kDesktopHeight;
    if constexpr (kSeams) {
      rect->right = StandIns().desktopWidth;
      rect->bottom = StandIns().desktopHeight;
    }
    return TRUE;
  }
  WindowRecord* record = Find(window);
  if (!record) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  // A captioned window loses its frame and caption bar to the client area.
  bool captioned = (record->style & WS_CAPTION) == WS_CAPTION;
  rect->right = record->width - (captioned ? 2 : 0);
  rect->bottom = record->height - (captioned ? 21 : 0);
  if (rect->right < 0) rect->right = 0;
  if (rect->bottom < 0) rect->bottom = 0;
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  WindowRecord* record = Find(window);
  if (!record) return FALSE;
  record->showCommand = command;
  if constexpr (kSeams) RecordCall("ShowWindow " + record->className);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) {
  if constexpr (kSeams) RecordCall("UpdateWindow");
  return Find(window) ? TRUE : FALSE;
}

BOOL WINAPI DestroyWindow(HWND window) {
  WindowRecord* record = Find(window);
  if (!record) return FALSE;
  record->destroyed = true;
  for (WindowRecord& child : WindowTable())
    if (child.parent == window) child.destroyed = true;
  if constexpr (kSeams) RecordCall("DestroyWindow " + record->className);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if constexpr (kSeams) RecordMessage({window, message, wParam, lParam});
  return 0;
}

BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
  WindowRecord* record = Find(window);
  if (!record) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string title(size_t(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &title[0], size, nullptr, nullptr);
  title.resize(title.size() - 1);
  record->title = title;
  if constexpr (kSeams) RecordCall("SetWindowTextW " + title);
  return TRUE;
}

BOOL WINAPI PeekMessageA(MSG*, HWND, UINT, UINT, UINT) { return FALSE; }
BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }
LRESULT WINAPI DispatchMessageA(const MSG*) { return 0; }

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  bool quiet = false;
  if constexpr (kSeams) quiet = StandIns().quietBoxes;
  if (!quiet) std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  if constexpr (kSeams) {
    RecordMessageBox({owner, text ? text : "", caption ? caption : "", type});
    RecordCall(std::string("MessageBoxA ") + (caption ? caption : ""));
  }
  return IDOK;
}

void WINAPI InitCommonControls() {
  if constexpr (kSeams) RecordCall("InitCommonControls");
}

// One library here: the common controls are part of the layer.
void RestrictDllSearch() {}
void LoadCommonControls() { InitCommonControls(); }
