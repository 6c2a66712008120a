// Short (8.3) names: where a volume makes them (the system drive, by default), Windows gives a
// file whose name does not fit 8.3 a second name such as LONGNA~1.TXT for longname-one.txt
// (Wine: LONG~24B.TXT), and opening either name opens that file. An entry already named so
// beside the long one can then be the same file: the stub fails on it.
#pragma once
#include <string>
#include <vector>

#include "source/InstallWarnings.h"

// Whether the name (one component) fits 8.3 in the characters short names may hold, so that
// Windows gives it no short name of its own.
bool FitsShortName(const std::string& name);
// Whether alias (one component) has the shape of a short name Windows may give longName: the
// start of its base, "~" and a number or hash, and the start of its extension, in any case.
bool IsShortNameShapeOf(const std::string& alias, const std::string& longName);
// A warning for each entry shaped like the short name of another entry in its directory.
// paths as EveryPath gives them.
std::vector<std::string> ShortNameAliasWarnings(const std::vector<NamedEntry>& paths,
                                                const ShowName& show);
