#include "source/WindowsNames.h"

#include <cstdint>
#include <map>
#include <set>

#include "format/InstallerOptions.h"
#include "format/NameRules.h"
#include "platform/Utf8.h"
#include "system/UnicodeUpperCase.h"

namespace {

// The one folding used for names: the simple uppercase mapping of Unicode, one UTF-16 unit at
// a time, which is what NTFS's upcase table holds. So "ı" and "i" are one name, as are "ς" and
// "Σ" or "ǅ" and "ǆ"; the Kelvin sign and "k" stay two (the sign has no uppercase mapping); a
// character beyond U+FFFF is two units, which no mapping changes.
uint32_t UpperCase(uint32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
  if (c >= 0x10000) return c;
  return SimpleUpperCase(c);
}

// Upper-cases UTF-8 text, re-encoded in its shortest form; bytes that are not well-formed UTF-8
// stay as they are, so they match only themselves.
std::string UpperCase(const std::string& text) {
  std::string out;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  char utf8[4];
  for (size_t i = 0; i < text.size();) {
    uint32_t c;
    const size_t length = DecodeUtf8(bytes + i, text.size() - i, &c);
    if (c == kNotUtf8)
      out.append(text, i, length);
    else
      out.append(utf8, EncodeUtf8(UpperCase(c), utf8));
    i += length;
  }
  return out;
}

}  // namespace

std::string WindowsNameKey(const std::string& name) {
  std::string key;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !IsPathSeparator(name[end])) ++end;
    const size_t kept = WindowsNameLength(name.data() + begin, uint32_t(end - begin));
    if (begin != 0) key += '/';
    key += UpperCase(name.substr(begin, kept));
    begin = end + 1;
  }
  return key;
}

bool EndsInDotOrBlank(const std::string& name) {
  return WindowsNameLength(name.data(), uint32_t(name.size())) != name.size();
}

std::string LastComponent(const std::string& path) {
  size_t start = path.size();
  while (start > 0 && !IsPathSeparator(path[start - 1])) --start;
  return path.substr(start);
}

bool IsSetupProgramName(const std::string& name) {
  return WindowsNameKey(name) == WindowsNameKey(kSetupProgramName);
}

std::vector<NameClash> FindNameClashes(const std::vector<NamedEntry>& entries) {
  struct Seen {
    std::string name;
    bool isDirectory;
  };
  std::map<std::string, Seen> seen;
  std::set<std::string> reported;
  std::vector<NameClash> clashes;
  auto add = [&](const std::string& name, bool isDirectory) {
    const auto [at, inserted] = seen.emplace(WindowsNameKey(name), Seen{name, isDirectory});
    if (inserted) return;
    const Seen& first = at->second;
    if (first.name == name && first.isDirectory && isDirectory) return;  // the same directory
    if (!reported.insert(name).second) return;
    clashes.push_back({first.name, name, first.isDirectory, isDirectory});
  };
  for (const NamedEntry& entry : entries) {
    for (size_t i = 0; i < entry.name.size(); ++i)
      if (IsPathSeparator(entry.name[i])) add(entry.name.substr(0, i), true);
    add(entry.name, entry.isDirectory);
  }
  return clashes;
}
