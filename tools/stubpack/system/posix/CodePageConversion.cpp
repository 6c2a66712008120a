#include "system/CodePageConversion.h"

#include <iconv.h>

#include <map>

namespace {

// Each code page's converter, opened once: a tree may hold thousands of names to try.
iconv_t Converter(unsigned codePage) {
  static std::map<unsigned, iconv_t> converters;
  const auto found = converters.find(codePage);
  if (found != converters.end()) return found->second;
  // glibc's iconv knows the Japanese page by its own name, the others as CPnnn.
  const std::string name = codePage == 932 ? "WINDOWS-31J" : "CP" + std::to_string(codePage);
  return converters[codePage] = iconv_open(name.c_str(), "UTF-8");
}

}  // namespace

bool ConvertsExactly(unsigned codePage, const std::string& utf8) {
  const iconv_t converter = Converter(codePage);
  if (converter == iconv_t(-1)) return false;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string in = utf8, out(utf8.size() * 4 + 16, '\0');
  char* from = in.data();
  char* to = out.data();
  size_t fromLeft = in.size(), toLeft = out.size();
  // iconv fails on a character the page lacks.
  return iconv(converter, &from, &fromLeft, &to, &toLeft) != size_t(-1) &&
         iconv(converter, nullptr, nullptr, &to, &toLeft) != size_t(-1);
}
