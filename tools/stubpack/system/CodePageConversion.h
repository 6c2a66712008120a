// Whether a UTF-8 text converts to one of Windows' ANSI code pages (874, 932, 936, 949, 950,
// 1250-1258) exactly, with no character missing or replaced by a look-alike.
#pragma once
#include <string>

bool ConvertsExactly(unsigned codePage, const std::string& utf8);
