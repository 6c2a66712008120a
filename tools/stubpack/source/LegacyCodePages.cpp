#include "source/LegacyCodePages.h"

#include <iconv.h>

#include <iterator>

namespace {

struct LegacyCodePage {
  const char* iconvName;
  const char* text;
};

// Windows' ANSI code pages, by the names glibc's iconv knows them by.
const LegacyCodePage kLegacyCodePages[] = {
    {"CP874", "874 (Thai)"},
    {"WINDOWS-31J", "932 (Japanese)"},
    {"CP936", "936 (Simplified Chinese)"},
    {"CP949", "949 (Korean)"},
    {"CP950", "950 (Traditional Chinese)"},
    {"CP1250", "1250 (Central European)"},
    {"CP1251", "1251 (Cyrillic)"},
    {"CP1252", "1252 (Western European)"},
    {"CP1253", "1253 (Greek)"},
    {"CP1254", "1254 (Turkish)"},
    {"CP1255", "1255 (Hebrew)"},
    {"CP1256", "1256 (Arabic)"},
    {"CP1257", "1257 (Baltic)"},
    {"CP1258", "1258 (Vietnamese)"},
};

// Each code page's converter, opened once: a tree may hold thousands of such names.
iconv_t Converter(size_t page) {
  static std::vector<iconv_t> converters;
  if (converters.empty())
    for (const LegacyCodePage& each : kLegacyCodePages)
      converters.push_back(iconv_open(each.iconvName, "UTF-8"));
  return converters[page];
}

bool Holds(size_t page, const std::string& name) {
  const iconv_t converter = Converter(page);
  if (converter == iconv_t(-1)) return false;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string in = name, out(name.size() * 4 + 16, '\0');
  char* from = in.data();
  char* to = out.data();
  size_t fromLeft = in.size(), toLeft = out.size();
  // Exactly or not at all, as the stub converts: iconv fails on a character the page lacks.
  return iconv(converter, &from, &fromLeft, &to, &toLeft) != size_t(-1) &&
         iconv(converter, nullptr, nullptr, &to, &toLeft) != size_t(-1);
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::vector<std::string> LegacyCodePagesHolding(const std::string& name) {
  std::vector<std::string> pages;
  for (size_t page = 0; page < std::size(kLegacyCodePages); ++page)
    if (IsAscii(name) || Holds(page, name)) pages.push_back(kLegacyCodePages[page].text);
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
