#pragma once
#include "support/WideString.h"

// Removes the directory and everything below it, depth first, read-only files included.
// Removes nothing for an empty or unusable name; links and reparse points inside the tree are
// removed themselves, never followed. What is in use or not yet empty is tried again for
// about two seconds in all, then left. At most one directory search is open at any time,
// however deep the tree.
void RemoveTree(const WideString& directory);

// Whether a name may be handed to RemoveTree: absolute, below a root, no "." or ".." parts.
bool IsRemovableTreeName(const WideString& directory);
