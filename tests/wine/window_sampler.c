/* Watches an installer's "Unpack" window from another process, as Windows' hang detection
 * does, and reads its progress bar meanwhile.
 *   window_sampler.exe OUTPUT
 * Waits up to 30 s for the window, then until it is gone: one thread sends it WM_NULL through
 * SendMessageTimeout (1 s) every 50 ms; the other reads the bar's position and range as fast
 * as the window answers. OUTPUT gets a line for each answer that changed what was seen
 *   pos <TAB> position <TAB> range end
 * and at the end
 *   pings <TAB> answered <TAB> unanswered <TAB> longest wait in ms
 * Exit code 3 when no window appeared, 4 when OUTPUT cannot be written, 5 when the window
 * went before its bar was seen. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

static HWND window;
static volatile LONG answered, unanswered, longest;

static DWORD WINAPI Ping(LPVOID unused) {
  (void)unused;
  while (IsWindow(window)) {
    DWORD start = GetTickCount();
    DWORD_PTR result;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) {
      if (!IsWindow(window)) break;  /* gone while the message waited */
      InterlockedIncrement(&unanswered);
    } else {
      InterlockedIncrement(&answered);
      LONG waited = (LONG)(GetTickCount() - start);
      if (waited > longest) longest = waited;
    }
    Sleep(50);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  FILE* out = fopen(argv[1], "w");
  if (!out) return 4;
  for (int waited = 0; !(window = FindWindowA("Unpack", "Unpack")) && waited < 3000; ++waited)
    Sleep(10);
  if (!window) return 3;
  /* The bar is made just after its window. */
  HWND bar = NULL;
  while (!(bar = FindWindowExA(window, NULL, PROGRESS_CLASSA, NULL)) && IsWindow(window))
    Sleep(1);
  if (!bar) return 5;
  HANDLE pinger = CreateThread(NULL, 0, Ping, NULL, 0, NULL);
  DWORD_PTR position, range = 0, seenPosition = (DWORD_PTR)-1, seenRange = (DWORD_PTR)-1;
  while (IsWindow(bar)) {
    if (!SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position)) continue;
    /* The range's end; the answer is lost only when the window has just gone. */
    DWORD_PTR end;
    if (SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 1000, &end)) range = end;
    if (position != seenPosition || range != seenRange)
      fprintf(out, "pos\t%lu\t%lu\n", (unsigned long)position, (unsigned long)range);
    seenPosition = position;
    seenRange = range;
  }
  WaitForSingleObject(pinger, INFINITE);
  fprintf(out, "pings\t%ld\t%ld\t%ld\n", answered, unanswered, longest);
  fclose(out);
  return 0;
}
