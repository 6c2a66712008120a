#include "platform/SystemLibraries.h"

#include "platform/win32.h"

void RestrictDllSearch() {
  // Looked up rather than imported: Windows 7 without its 2011 loader update lacks it, and the
  // stub must still start there.
  typedef BOOL(WINAPI * SetDirectories)(DWORD);
  auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void LoadCommonControls() {
  // The manifest's Common Controls 6 dependency is served from the side-by-side store; else
  // only the system directory is searched. A system too old for the flag gets no bar.
  typedef void(WINAPI * Init)();
  HMODULE library = LoadLibraryExA("comctl32", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  auto init = reinterpret_cast<Init>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControls")));
  if (init) init();  // without it there is no bar, and the unpacking goes on
}
