// Turns a relative UTF-8 path from the source tree into the archive's UTF-16 name, refusing
// names that the unpacker would refuse as unsafe or that Windows cannot create.
#pragma once
#include <string>

// Why the single path component cannot go into an installer, or empty when it can.
std::string EntryNameProblem(const std::string& component);
// The whole relative path ("/" separated) as UTF-16; throws PackError on a bad component or
// on bytes that are not UTF-8.
std::u16string ToArchiveName(const std::string& relativePath);
