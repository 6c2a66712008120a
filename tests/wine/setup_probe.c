/* Stands in for an installer's setup.exe under Wine. It writes what it was given and what it
 * finds to the file named by the environment variable SETUP_PROBE_OUT (the installer passes
 * its environment on, and its arguments stay free for the test), in UTF-8, one record a line:
 *   cmdline <TAB> the command line exactly as the process received it
 *   cwd <TAB> the current directory
 *   D <TAB> relative path <TAB> attributes (hex) <TAB> last-write FILETIME (decimal)
 *   F <TAB> relative path <TAB> attributes <TAB> last-write <TAB> size <TAB> FNV-1a 64 (hex)
 * Paths below the current directory use '/' and come in the order the directory search gives.
 * Exit code 7 when the output cannot be written, 5 without SETUP_PROBE_OUT, else the number in
 * SETUP_PROBE_EXIT (0 without it). */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static FILE* out;

static void PutUtf8(const wchar_t* text) {
  char buffer[4 * MAX_PATH * 4];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
  fputs(n > 0 ? buffer : "?", out);
}

static unsigned long long HashFile(const wchar_t* path, int* ok) {
  unsigned long long hash = 0xcbf29ce484222325ULL;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  *ok = file != INVALID_HANDLE_VALUE;
  if (!*ok) return 0;
  unsigned char block[65536];
  DWORD got;
  while (ReadFile(file, block, sizeof block, &got, NULL) && got) {
    for (DWORD i = 0; i < got; ++i) hash = (hash ^ block[i]) * 0x100000001b3ULL;
  }
  CloseHandle(file);
  return hash;
}

/* dir is the path used to search ("." for the start), rel the path written out ("" at start). */
static void List(const wchar_t* dir, const wchar_t* rel) {
  wchar_t pattern[4 * MAX_PATH];
  _snwprintf(pattern, 4 * MAX_PATH, L"%ls\\*", dir);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
    wchar_t path[4 * MAX_PATH], child[4 * MAX_PATH];
    _snwprintf(path, 4 * MAX_PATH, L"%ls\\%ls", dir, found.cFileName);
    _snwprintf(child, 4 * MAX_PATH, *rel ? L"%ls/%ls" : L"%ls%ls", rel, found.cFileName);
    unsigned long long time = (unsigned long long)found.ftLastWriteTime.dwHighDateTime << 32 |
                              found.ftLastWriteTime.dwLowDateTime;
    int isDir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    fputs(isDir ? "D\t" : "F\t", out);
    PutUtf8(child);
    fprintf(out, "\t%lx\t%llu", found.dwFileAttributes, time);
    if (isDir) {
      fputs("\n", out);
      List(path, child);
    } else {
      int ok;
      unsigned long long hash = HashFile(path, &ok);
      unsigned long long size = (unsigned long long)found.nFileSizeHigh << 32 | found.nFileSizeLow;
      if (ok) fprintf(out, "\t%llu\t%016llx\n", size, hash);
      else fprintf(out, "\t%llu\tunreadable\n", size);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance, (void)previous, (void)commandLine, (void)show;
  wchar_t outPath[4 * MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"SETUP_PROBE_OUT", outPath, 4 * MAX_PATH);
  if (n == 0 || n >= 4 * MAX_PATH) return 5;
  out = _wfopen(outPath, L"wb");
  if (!out) return 7;
  fprintf(out, "cmdline\t%s\n", GetCommandLineA());
  wchar_t cwd[4 * MAX_PATH];
  GetCurrentDirectoryW(4 * MAX_PATH, cwd);
  fputs("cwd\t", out);
  PutUtf8(cwd);
  fputs("\n", out);
  List(L".", L"");
  if (fclose(out)) return 7;
  wchar_t code[16];
  n = GetEnvironmentVariableW(L"SETUP_PROBE_EXIT", code, 16);
  return n > 0 && n < 16 ? _wtoi(code) : 0;
}
