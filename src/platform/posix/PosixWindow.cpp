// The window and the progress bar are a headless recorder; message boxes print
// "caption: text" to stderr and return at once.
#include <cstdio>
#include <cmath>

#include "platform/SystemLibraries.h"
#include "platform/posix/PosixInternal.h"

using posix_testing::WindowRecord;

namespace posix_layer {

std::vector<WindowRecord>& WindowTable() {
  static auto* table = new std::vector<WindowRecord>;
  return *table;
}
std::vector<posix_testing::MessageBoxRecord>& BoxTable() {
  static auto* table = new std::vector<posix_testing::MessageBoxRecord>;
  return *table;
}
std::vector<posix_testing::WindowMessage>& MessageTable() {
  static auto* table = new std::vector<posix_testing::WindowMessage>;
  return *table;
}
std::vector<std::string>& ProcessTable() {
  static auto* table = new std::vector<std::string>;
  return *table;
}

void ResetWindows() {
  WindowTable().clear();
  BoxTable().clear();
  MessageTable().clear();
  ProcessTable().clear();
}

namespace {

// Window handles are 1-based indices into the table; the desktop is a handle of its own.
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
  RecordCall(std::string("RegisterClassA ") + windowClass->lpszClassName);
  return 1;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  RecordCall(std::string("UnregisterClassA ") + className);
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
  RecordCall(std::string("CreateWindowExA ") + (className ? className : ""));
  return handle;
}

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

HWND WINAPI GetDesktopWindow() { return kDesktop; }

// One device context: the screen's.
HDC WINAPI GetDC(HWND) { return kDesktop; }
int WINAPI ReleaseDC(HWND, HDC) { return 1; }
int WINAPI GetDeviceCaps(HDC context, int index) {
  return context == kDesktop && index == LOGPIXELSY ? StandIns().systemDpi : 0;
}
int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  return int(std::lround(double(number) * numerator / denominator));  // half away from zero
}

BOOL WINAPI GetClientRect(HWND window, RECT* rect) {
  *rect = RECT{0, 0, 0, 0};
  if (window == kDesktop) {
    rect->right = StandIns().desktopWidth;
    rect->bottom = StandIns().desktopHeight;
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
  RecordCall("ShowWindow " + record->className);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) {
  RecordCall("UpdateWindow");
  return Find(window) ? TRUE : FALSE;
}

BOOL WINAPI DestroyWindow(HWND window) {
  WindowRecord* record = Find(window);
  if (!record) return FALSE;
  record->destroyed = true;
  for (WindowRecord& child : WindowTable())
    if (child.parent == window) child.destroyed = true;
  RecordCall("DestroyWindow " + record->className);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Recording()) MessageTable().push_back({window, message, wParam, lParam});
  return 0;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (!StandIns().quietBoxes) std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  if (Recording()) BoxTable().push_back({owner, text ? text : "", caption ? caption : "", type});
  RecordCall(std::string("MessageBoxA ") + (caption ? caption : ""));
  return IDOK;
}

void WINAPI InitCommonControls() { RecordCall("InitCommonControls"); }

// One library here: the common controls are part of the layer.
void RestrictDllSearch() {}
void LoadCommonControls() { InitCommonControls(); }
