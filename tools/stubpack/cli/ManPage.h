// stubpack(1), written from the same commands, usage lines, descriptions and footers as
// --help, so that the page cannot drift from the help. The tool's footer is the page's EXIT
// STATUS; a command's footer follows its options.
#pragma once
#include <string>

#include "cli/HelpFormatter.h"

std::string ManPage(const CLI::App& app, const HelpFormatter& help);
