// The program the installer runs after unpacking, at a path relative to the top of the tree.
// A tree without it makes an installer that unpacks and runs nothing, which is rarely meant:
// `pack` refuses it unless asked, and names what it found instead.
#pragma once
#include <string>
#include <vector>

#include "source/WindowsNames.h"

struct ProgramSearch {
  bool found = false;   // a file at the program's path, as Windows compares names
  std::string nearest;  // else the file of the program's name nearest the top, or empty
};

ProgramSearch FindProgramToRun(const std::vector<NamedEntry>& entries, const std::string& program);
