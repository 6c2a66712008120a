// A new private directory under the system's temporary directory.
#pragma once
#include <string>

// Creates a directory named prefix plus a unique ending; its path, or empty on failure.
std::string MakeScratchDirectory(const std::string& prefix);
