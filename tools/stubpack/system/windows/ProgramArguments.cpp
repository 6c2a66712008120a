#include "system/ProgramArguments.h"

#include "system/windows/WideText.h"

#include <shellapi.h>

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    std::string argument;
    // An argument with an unpaired surrogate has no exact form: it keeps its ANSI form, which
    // then names nothing that exists.
    if (!Utf8FromWide(wide[i], wcslen(wide[i]), argument) && i < argc) argument = argv[i];
    arguments.push_back(argument);
  }
  LocalFree(wide);
  return arguments;
}
