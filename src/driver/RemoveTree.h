#pragma once
#include "support/WideString.h"

// Removes the directory and everything below it, depth first. Read-only files stay, with
// their directory chain. Removes nothing for an empty or unusable name; links and reparse
// points inside the tree are removed themselves, never followed.
void RemoveTree(const WideString& directory);

// Whether a name may be handed to RemoveTree: absolute, below a root, no "." or ".." parts.
bool IsRemovableTreeName(const WideString& directory);
