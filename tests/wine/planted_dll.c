/* Stands in for a comctl32.dll that someone put beside an installer (in a downloads folder).
 * Loaded into a process, it leaves a marker file beside itself ("<its own path>.marker"); it
 * also offers InitCommonControls so that a process that does load it goes on as usual. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    lstrcpyA(path + n, ".marker");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}

__declspec(dllexport) void WINAPI InitCommonControls(void) {}
