// Where `stubpack pack -o` may write: a new file or an existing regular file (the installer
// replaces it whole), never a directory, device, FIFO or socket, never the stub it is built on
// or the running stubpack, and never a place inside the tree being packed.
#pragma once
#include <string>

// The path to replace: output itself, or the file a symbolic link at output points to, so that
// the link keeps pointing at the new installer. Throws PackError when output is refused.
std::string OutputTarget(const std::string& output, const std::string& source,
                         const std::string& stub);
