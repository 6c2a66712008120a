// The code pages Windows used for file names before the UTF-8 code page: Windows 7, 8 and 10
// before version 1903 ignore the manifest's activeCodePage and convert the stub's names with
// the system's legacy code page, which holds ASCII and one script or region besides. Windows
// 10 version 1903 and later honour it and take every name.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "source/InstallWarnings.h"

// The legacy code pages that hold every character of a UTF-8 name, as "1251 (Cyrillic)"; all
// of them for ASCII.
std::vector<std::string> LegacyCodePagesHolding(const std::string& name);
// Names beyond ASCII warned about one by one; one more warning counts the rest.
constexpr size_t kCodePageWarningsShown = 20;

// A warning for each path whose last component goes beyond ASCII: it unpacks only on Windows
// 10 version 1903 and later, or where the legacy code page holds it. paths as EveryPath gives
// them.
std::vector<std::string> CodePageWarnings(const std::vector<NamedEntry>& paths,
                                          const ShowName& show);
