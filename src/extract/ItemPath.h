// Entry paths: splitting into components and the rule that keeps entries inside the output
// directory.
#pragma once
#include "support/ItemVector.h"
#include "support/WideString.h"

// Components between backslashes or slashes; empty components are kept.
void SplitItemPath(const WideString& path, ItemVector<WideString>& components);

// False for a path that could leave the output directory or name something other than a file:
// absolute, rooted, with a drive or UNC prefix, a ".." component (or what Windows reads as
// one), a ":" (alternate data stream), or a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with any extension).
bool IsConfinedItemPath(const WideString& path);
