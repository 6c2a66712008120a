#include "source/ShortNameAliases.h"

#include <cctype>
#include <cstring>
#include <map>

#include "platform/Utf8.h"

namespace {

bool IsShortNameCharacter(uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c != 0 && std::strchr("!#$%&'()-@^_`{}~", int(c)) != nullptr);
}

// A part of a long name as Windows puts it into a short name: in upper case, without blanks
// and dots, other characters a short name cannot hold as "_".
std::string ShortNameText(const std::string& part) {
  std::string text;
  const auto* bytes = reinterpret_cast<const unsigned char*>(part.data());
  for (size_t i = 0; i < part.size();) {
    uint32_t c;
    i += DecodeUtf8(bytes + i, part.size() - i, &c);
    if (c == ' ' || c == '.') continue;
    text += !IsShortNameCharacter(c) ? '_' : c >= 'a' && c <= 'z' ? char(c - 0x20) : char(c);
  }
  return text;
}

struct NameParts {
  std::string base, extension;  // split at the last dot
};

NameParts Split(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {name, ""};
  return {name.substr(0, dot), name.substr(dot + 1)};
}

bool IsHex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// The alias's base before its last "~", in upper case, when the name has a short name's
// shape; else empty.
std::string AliasStem(const std::string& alias) {
  if (!FitsShortName(alias)) return "";
  const std::string base = ShortNameText(Split(alias).base);
  const size_t tilde = base.rfind('~');
  if (tilde == 0 || tilde == std::string::npos || tilde + 1 == base.size()) return "";
  for (size_t i = tilde + 1; i < base.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(base[i]))) return "";
  return base.substr(0, tilde);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

bool FitsShortName(const std::string& name) {
  const NameParts parts = Split(name);
  if (parts.base.empty() || parts.base.size() > 8 || parts.extension.size() > 3) return false;
  for (unsigned char c : parts.base + parts.extension)
    if (!IsShortNameCharacter(c)) return false;
  return true;
}

bool IsShortNameShapeOf(const std::string& alias, const std::string& longName) {
  if (FitsShortName(longName)) return false;
  const std::string stem = AliasStem(alias);
  if (stem.empty()) return false;
  const NameParts aliasParts = Split(alias), longParts = Split(longName);
  if (ShortNameText(aliasParts.extension) != ShortNameText(longParts.extension).substr(0, 3))
    return false;
  const std::string longBase = ShortNameText(longParts.base);
  // NTFS's first aliases keep up to six characters; later ones two and a four-digit hash.
  if (longBase.compare(0, stem.size(), stem) == 0) return true;
  return stem.size() == 6 && IsHex(stem.substr(2)) && longBase.compare(0, 2, stem, 0, 2) == 0;
}

std::vector<std::string> ShortNameAliasWarnings(const std::vector<NamedEntry>& paths,
                                                const ShowName& show) {
  // Per directory (as Windows compares names), its names that get a short name, by the start
  // of that short name: the extension's, then one to six characters of the base.
  std::map<std::string, std::map<std::string, std::string>> longNames;
  for (const NamedEntry& entry : paths) {
    const std::string name = LastComponent(entry.name);
    if (FitsShortName(name)) continue;
    const NameParts parts = Split(name);
    const std::string base = ShortNameText(parts.base);
    const std::string extension = ShortNameText(parts.extension).substr(0, 3);
    auto& byStart = longNames[WindowsNameKey(Parent(entry.name))];
    for (size_t n = 1; n <= 6 && n <= base.size(); ++n)
      byStart.emplace(extension + "." + base.substr(0, n), entry.name);
  }
  std::vector<std::string> warnings;
  for (const NamedEntry& entry : paths) {
    const std::string name = LastComponent(entry.name);
    std::string stem = AliasStem(name);
    if (stem.empty()) continue;
    if (stem.size() == 6 && IsHex(stem.substr(2))) stem.resize(2);
    const auto directory = longNames.find(WindowsNameKey(Parent(entry.name)));
    if (directory == longNames.end()) continue;
    const auto other = directory->second.find(ShortNameText(Split(name).extension) + "." + stem);
    if (other == directory->second.end() || !IsShortNameShapeOf(name, LastComponent(other->second)))
      continue;
    warnings.push_back(show(entry.name) + " is shaped like the short (8.3) name Windows may give " +
                       show(other->second) + "; where it makes short names (the system drive, " +
                       "by default) the two can be one file, and the stub fails");
  }
  return warnings;
}
