// Entry paths: splitting into components and the rule that keeps entries inside the output
// directory.
#pragma once
#include "support/ItemVector.h"
#include "support/WideString.h"

// Components between backslashes or slashes; empty components are kept.
void SplitItemPath(const WideString& path, ItemVector<WideString>& components);

// False for a path that could leave the output directory or name something other than a file:
// absolute, rooted, with a drive or UNC prefix, an empty, "." or ".." component (or what
// Windows reads as one: dots and blanks only), a ":" (alternate data stream), or a reserved
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension). A confined path never
// names the output directory itself, so nothing of an entry is applied to it.
bool IsConfinedItemPath(const WideString& path);
