/* Stands in for a setup program that starts another and returns at once, and for that other
 * program. Writes its findings, one line each, to the file named by CHILD_PROBE_OUT (appended).
 *   child_probe.exe spawn PROGRAM FILE  starts "PROGRAM read FILE" (PROGRAM relative to this
 *                                       program's directory) and exits 0 without waiting
 *   child_probe.exe read FILE           after a second, appends "read <first line of FILE>",
 *                                       or "missing" when FILE is gone; FILE relative to this
 *                                       program's directory unless it is a full path
 * Exit code 3 when the other program cannot be started, 4 on bad usage. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <string.h>

/* name below this program's directory, or name itself when it has a drive. */
static void Beside(const char* name, char* path) {
  if (name[0] && name[1] == ':') {
    lstrcpynA(path, name, MAX_PATH);
    return;
  }
  GetModuleFileNameA(NULL, path, MAX_PATH);
  char* slash = strrchr(path, '\\');
  lstrcpynA(slash + 1, name, MAX_PATH - (int)(slash + 1 - path));
}

static void Report(const char* text) {
  char out[MAX_PATH];
  if (!GetEnvironmentVariableA("CHILD_PROBE_OUT", out, MAX_PATH)) return;
  FILE* file = fopen(out, "a");
  if (!file) return;
  fprintf(file, "%s\n", text);
  fclose(file);
}

int main(int argc, char** argv) {
  char path[MAX_PATH];
  if (argc == 4 && !strcmp(argv[1], "spawn")) {
    char command[3 * MAX_PATH];
    Beside(argv[2], path);
    snprintf(command, sizeof command, "\"%s\" read %s", path, argv[3]);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
      return 3;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
  }
  if (argc == 3 && !strcmp(argv[1], "read")) {
    Sleep(1000);
    Beside(argv[2], path);
    char line[256] = "read ";
    FILE* file = fopen(path, "r");
    if (!file) {
      Report("missing");
      return 0;
    }
    if (!fgets(line + 5, sizeof line - 5, file)) line[5] = 0;
    fclose(file);
    line[strcspn(line, "\r\n")] = 0;
    Report(line);
    return 0;
  }
  return 4;
}
