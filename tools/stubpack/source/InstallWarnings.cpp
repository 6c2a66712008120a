#include "source/InstallWarnings.h"

#include <unordered_set>

#include "format/NameRules.h"
#include "source/LegacyCodePages.h"
#include "source/PathLengthLimits.h"
#include "source/ShortNameAliases.h"

std::vector<NamedEntry> EveryPath(const std::vector<NamedEntry>& entries) {
  std::vector<NamedEntry> paths;
  std::unordered_set<std::string> seen;
  auto add = [&](const std::string& path, bool isDirectory) {
    if (seen.insert(path).second) paths.push_back({path, isDirectory});
  };
  for (const NamedEntry& entry : entries) {
    std::string path = entry.name;
    for (char& c : path)
      if (IsPathSeparator(c)) c = '/';
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1))
      add(path.substr(0, slash), true);
    add(path, entry.isDirectory);
  }
  return paths;
}

std::vector<std::string> InstallWarnings(const std::vector<NamedEntry>& entries,
                                         uint32_t tempPathLength, const ShowName& show) {
  const std::vector<NamedEntry> paths = EveryPath(entries);
  std::vector<std::string> warnings = PathLengthWarnings(paths, tempPathLength, show);
  for (auto rule : {CodePageWarnings, ShortNameAliasWarnings}) {
    std::vector<std::string> more = rule(paths, show);
    warnings.insert(warnings.end(), more.begin(), more.end());
  }
  return warnings;
}
