#include "system/InterruptCleanUp.h"

#include "system/windows/WideText.h"

namespace {

// The partial file the console control handler deletes; guarded, since the handler runs on a
// thread of its own while the main thread may forget the file.
CRITICAL_SECTION guard;
std::wstring* interruptedPartial = nullptr;
bool handlerInstalled = false;

BOOL WINAPI RemovePartialOnControl(DWORD) {
  EnterCriticalSection(&guard);
  // Deleted while still open (the file is shared for deletion): it goes when the process ends.
  if (interruptedPartial != nullptr) DeleteFileW(interruptedPartial->c_str());
  LeaveCriticalSection(&guard);
  return FALSE;  // then the default handling ends the process
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  if (!handlerInstalled) {
    InitializeCriticalSection(&guard);
    interruptedPartial = new std::wstring();
    SetConsoleCtrlHandler(RemovePartialOnControl, TRUE);
    handlerInstalled = true;
  }
  EnterCriticalSection(&guard);
  *interruptedPartial = WidePath(path);
  LeaveCriticalSection(&guard);
}

void ForgetOnInterrupt() {
  if (!handlerInstalled) return;
  EnterCriticalSection(&guard);
  interruptedPartial->clear();
  LeaveCriticalSection(&guard);
}
