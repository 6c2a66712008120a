#include "inspect/ListingName.h"

#include <cstdio>

#include "platform/Utf8.h"

namespace {

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Marks and overrides that reorder text (and line breaks that are not newlines).
bool IsLayoutControl(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

void AppendEscape(std::string& out, const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  out += text;
}

}  // namespace

std::string ListingName(const std::u16string& name) {
  std::string out;
  char utf8[4];
  for (size_t i = 0; i < name.size(); ++i) {
    char32_t c = name[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool pairs =
        high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
    if (pairs) {
      c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendEscape(out, "\\u%04x", unsigned(c));
      continue;
    }
    if (IsControl(c))
      AppendEscape(out, "\\x%02x", unsigned(c));
    else if (IsLayoutControl(c))
      AppendEscape(out, "\\u%04x", unsigned(c));
    else
      out.append(utf8, EncodeUtf8(uint32_t(c), utf8));
  }
  return out;
}
