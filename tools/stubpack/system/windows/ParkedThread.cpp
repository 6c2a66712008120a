#include "system/ParkedThread.h"

#include <windows.h>

#include <cstring>

void ParkThisThread() {
  for (;;) Sleep(INFINITE);
}

void EndProcessNow(const char* text) {
  DWORD written;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, DWORD(std::strlen(text)), &written, nullptr);
  ExitProcess(2);
}
