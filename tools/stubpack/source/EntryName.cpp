#include "source/EntryName.h"

#include "base/PackError.h"
#include "base/Utf16Text.h"
#include "format/NameRules.h"
#include "source/WindowsNames.h"

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
  if (IsDeviceName(component.data(), uint32_t(component.size()))) return "a reserved device name";
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

  const std::optional<std::u16string> name = Utf16FromUtf8(relativePath);
  if (!name) throw PackError("\"" + relativePath + "\": the name is not valid UTF-8");
  return *name;
}
