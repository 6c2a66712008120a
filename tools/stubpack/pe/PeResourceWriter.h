// Gives a PE image a new resource section: the section is rebuilt from a resource table, the
// sections after it (only the base relocations may follow it) move up or down, and the section
// table, data directories, SizeOfImage and header checksum follow. The result is read back and
// compared before it is returned; anything unexpected throws PackError and nothing is written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe/PeResources.h"

std::vector<uint8_t> ReplaceResources(const std::vector<uint8_t>& image,
                                      const ResourceTable& resources, const std::string& what);
