#include "source/LegacyCodePages.h"

#include <iterator>

#include "system/CodePageConversion.h"

namespace {

struct LegacyCodePage {
  unsigned number;
  const char* text;
};

// Windows' ANSI code pages.
const LegacyCodePage kLegacyCodePages[] = {
    {874, "874 (Thai)"},
    {932, "932 (Japanese)"},
    {936, "936 (Simplified Chinese)"},
    {949, "949 (Korean)"},
    {950, "950 (Traditional Chinese)"},
    {1250, "1250 (Central European)"},
    {1251, "1251 (Cyrillic)"},
    {1252, "1252 (Western European)"},
    {1253, "1253 (Greek)"},
    {1254, "1254 (Turkish)"},
    {1255, "1255 (Hebrew)"},
    {1256, "1256 (Arabic)"},
    {1257, "1257 (Baltic)"},
    {1258, "1258 (Vietnamese)"},
};

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::vector<std::string> LegacyCodePagesHolding(const std::string& name) {
  std::vector<std::string> pages;
  for (size_t page = 0; page < std::size(kLegacyCodePages); ++page)
    if (IsAscii(name) || ConvertsExactly(kLegacyCodePages[page].number, name))
      pages.push_back(kLegacyCodePages[page].text);
  return pages;
}

std::vector<std::string> CodePageWarnings(const std::vector<NamedEntry>& paths,
                                          const ShowName& show) {
  std::vector<std::string> warnings;
  size_t more = 0;
  for (const NamedEntry& entry : paths) {
    const std::string last = LastComponent(entry.name);
    if (IsAscii(last)) continue;
    // A translated tree has a name like this in every directory: the first ones show it.
    if (warnings.size() == kCodePageWarningsShown) {
      ++more;
      continue;
    }
    std::string where;
    for (const std::string& page : LegacyCodePagesHolding(last))
      where += (where.empty() ? "" : ", ") + page;
    warnings.push_back(show(entry.name) +
                       ": a name beyond ASCII; Windows 10 version 1903 and "
                       "later unpack it (the stub's UTF-8 code page), older Windows (7, 8, 10 "
                       "before 1903) " +
                       (where.empty() ? "under no legacy code page"
                                      : "only where the system's code page is " + where) +
                       "; elsewhere the stub fails (\"Error of Unpacking\")");
  }
  if (more != 0)
    warnings.push_back("and " + std::to_string(more) + " more names beyond ASCII, likewise");
  return warnings;
}
