#include "system/Terminal.h"

#include <windows.h>

bool StderrIsTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
