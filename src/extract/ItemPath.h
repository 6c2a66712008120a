// Entry paths: splitting into components and the rule that keeps entries inside the output
// directory.
#pragma once
#include "support/ItemVector.h"
#include "support/WideString.h"

// Components between backslashes or slashes; empty components are kept.
void SplitItemPath(const WideString& path, ItemVector<WideString>& components);

// IsConfinedPath (format/NameRules.h): false for a path that could leave the output directory
// or name something other than a file. Nothing of an entry is ever applied to the output
// directory itself.
bool IsConfinedItemPath(const WideString& path);

// Ends the run for an entry path the stub does not write: one that no code page holds exactly
// (an unpaired surrogate, or what the code page lacks), then, judged on the name as the file
// system reads it back, one that is not confined (JudgePath in format/NameRules.h), with the
// reason that tells a device name from a path that leaves the directory.
void RefuseUnwritableItemPath(const WideString& path);
