// The command line's arguments in UTF-8: argv on Linux; on Windows the wide command line,
// converted exactly, whatever the ANSI code page.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
