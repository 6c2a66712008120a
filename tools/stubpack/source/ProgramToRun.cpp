#include "source/ProgramToRun.h"

#include <algorithm>

#include "format/NameRules.h"

namespace {

size_t Depth(const std::string& path) {
  return size_t(std::count_if(path.begin(), path.end(), IsPathSeparator<char>));
}

}  // namespace

ProgramSearch FindProgramToRun(const std::vector<NamedEntry>& entries, const std::string& program) {
  ProgramSearch search;
  const std::string wanted = WindowsNameKey(program);
  const std::string wantedName = WindowsNameKey(LastComponent(program));
  for (const NamedEntry& entry : entries) {
    if (entry.isDirectory) continue;
    if (WindowsNameKey(entry.name) == wanted) return {true, ""};
    if (WindowsNameKey(LastComponent(entry.name)) == wantedName &&
        (search.nearest.empty() || Depth(entry.name) < Depth(search.nearest)))
      search.nearest = entry.name;
  }
  return search;
}
