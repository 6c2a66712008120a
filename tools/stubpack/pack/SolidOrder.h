// The order in which files go into solid folders: files of a kind next to each other, so the
// compressor finds similar data close by. Sorted by extension (case folded), then by file
// name, then by path, all in byte order, so that a tree always gives the same order.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Indices into paths ("/" separated), in solid order.
std::vector<size_t> SolidOrder(const std::vector<std::string>& paths);
