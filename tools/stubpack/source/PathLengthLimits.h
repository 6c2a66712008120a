// Full paths as the Windows stub makes them on the user's machine: the temporary directory
// (GetTempPath), the stub's own directory in it (GetTempFileName's "cabXXXX.tmp", up to four
// hex digits), then the entry's path. Windows counts UTF-16 units and, unless long paths are
// enabled, refuses a path beyond MAX_PATH and a directory beyond CreateDirectory's limit.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "source/InstallWarnings.h"

// C:\Users\<20 characters, the longest user name>\AppData\Local\Temp: 9 + 20 + 19.
constexpr uint32_t kTypicalTempPathLength = 48;
// "\cabFFFF.tmp" after the temporary directory.
constexpr uint32_t kStubDirectoryLength = 12;
// MAX_PATH is 260 with the terminating null.
constexpr uint32_t kMaxPathLength = 259;
// CreateDirectory takes less than 248 (MAX_PATH with room for an 8.3 name).
constexpr uint32_t kMaxDirectoryPathLength = 247;

// UTF-16 units of a UTF-8 text; a byte that is not UTF-8 counts one.
uint32_t Utf16Length(const std::string& text);
// The entry's full path length: temporary directory, stub directory, "\", the path.
uint64_t FullPathLength(const std::string& path, uint32_t tempPathLength);
// A warning for each directory beyond CreateDirectory's limit (not for those below it) and
// each file beyond MAX_PATH (but those below such a directory). paths as EveryPath gives them.
std::vector<std::string> PathLengthWarnings(const std::vector<NamedEntry>& paths,
                                            uint32_t tempPathLength, const ShowName& show);
