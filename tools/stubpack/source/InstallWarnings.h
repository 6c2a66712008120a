// What may fail on the user's machine although the stub accepts the installer: paths too long
// for Windows under a typical temporary directory, names that need the UTF-8 code page, names
// shaped like another entry's short (8.3) name. `pack` and `check` print these as warnings;
// with --strict they fail the run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "source/WindowsNames.h"

// How a rule shows an entry's name in its warning (quoted, escaped for the terminal).
using ShowName = std::function<std::string(const std::string&)>;

// Every path of the entries once, in their order, each directory that a path implies as a
// directory entry of its own before the first path below it; "\" separators become "/".
std::vector<NamedEntry> EveryPath(const std::vector<NamedEntry>& entries);

// The warnings of every rule, for entries (UTF-8 names, "/" or "\" separated). The stub's
// directory lies in a temporary directory of tempPathLength characters.
std::vector<std::string> InstallWarnings(const std::vector<NamedEntry>& entries,
                                         uint32_t tempPathLength, const ShowName& show);
