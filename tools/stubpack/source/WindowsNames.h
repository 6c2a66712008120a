// Names as Windows sees them: it compares names without regard to case and drops trailing dots
// and blanks from each component. `pack` refuses names that would meet or change this way;
// `check` reports how the Windows stub fares with them.
#pragma once
#include <string>
#include <vector>

// Names are UTF-8. The name as Windows compares it: each component ("/" or "\" separated)
// without trailing dots and blanks, in upper case; components joined by "/".
std::string WindowsNameKey(const std::string& name);
// Whether the last component ends in a dot or a blank, which Windows drops.
bool EndsInDotOrBlank(const std::string& name);
// The path's last component ("/" or "\" separated).
std::string LastComponent(const std::string& path);
// Whether Windows would run this entry name as the top-level setup.exe.
bool IsSetupProgramName(const std::string& name);

struct NamedEntry {
  std::string name;
  bool isDirectory = false;
};

// Two names that are one on Windows. A directory that an entry's path implies takes part as
// a directory of that name.
struct NameClash {
  std::string first, second;
  bool firstIsDirectory = false, secondIsDirectory = false;
  // Windows merges two directories; anything else ends the Windows stub's run.
  bool Merges() const { return firstIsDirectory && secondIsDirectory; }
};
// Every name that is one on Windows with an earlier one (each clashing name once).
std::vector<NameClash> FindNameClashes(const std::vector<NamedEntry>& entries);
