#include "EntryName.h"

#include <cctype>

#include "PackError.h"
#include "WindowsNames.h"

namespace {

bool IsReservedDeviceName(const std::string& component) {
  // Windows reserves these names whatever the extension, and ignores trailing blanks.
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::string upper;
  for (char c : base) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
    return upper[3] >= '1' && upper[3] <= '9';
  }
  return false;
}

// Appends the UTF-16 form of one code point.
void AppendUtf16(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

std::string EntryNameProblem(const std::string& component) {
  if (component.empty()) return "an empty path component";
  if (component == "." || component == "..") return "a \".\" or \"..\" component";
  if (component.find(':') != std::string::npos) return "a \":\" (alternate data stream)";
  if (component.find('\\') != std::string::npos) return "a backslash";
  for (unsigned char c : component) {
    if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
      return "a character that Windows does not allow in names";
    }
  }
  if (IsReservedDeviceName(component)) return "a reserved device name";
  if (EndsInDotOrBlank(component)) return "a dot or blank at its end (Windows drops it)";
  return "";
}

std::u16string ToArchiveName(const std::string& relativePath) {
  if (relativePath.empty() || relativePath.front() == '/') {
    throw PackError("\"" + relativePath + "\": not a relative path");
  }
  size_t begin = 0;
  while (begin <= relativePath.size()) {
    size_t end = relativePath.find('/', begin);
    if (end == std::string::npos) end = relativePath.size();
    const std::string problem = EntryNameProblem(relativePath.substr(begin, end - begin));
    if (!problem.empty()) {
      throw PackError("\"" + relativePath + "\": the installer cannot hold a name with " +
                      problem);
    }
    begin = end + 1;
  }

  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(relativePath.data());
  const auto* end = p + relativePath.size();
  while (p < end) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      extra = -1;
      cp = 0;
    }
    bool valid = extra >= 0 && end - p > extra;
    for (int i = 1; valid && i <= extra; ++i) {
      valid = (p[i] & 0xC0) == 0x80;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      throw PackError("\"" + relativePath + "\": the name is not valid UTF-8");
    }
    AppendUtf16(out, cp);
    p += extra + 1;
  }
  return out;
}
