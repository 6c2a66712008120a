// A window of the headless POSIX layer: what it was created with and what became of it.
#pragma once
#include <string>

#include "platform/win32.h"

namespace posix_layer {

struct WindowRecord {
  HWND handle;
  std::string className;
  std::string title;
  DWORD style;
  int x, y, width, height;
  HWND parent;
  HINSTANCE instance;
  int showCommand;  // last ShowWindow command, -1 if never shown
  bool destroyed;
};

}  // namespace posix_layer
