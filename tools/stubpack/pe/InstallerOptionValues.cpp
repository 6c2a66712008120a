#include "pe/InstallerOptionValues.h"

#include <algorithm>

#include "platform/Utf8.h"

namespace {

bool IsUtf8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t at = 0; at < text.size();) {
    uint32_t point;
    at += DecodeUtf8(bytes + at, text.size() - at, &point);
    if (point == kNotUtf8) return false;
  }
  return true;
}

// The rules every text of the resource keeps (its reader's and the stub's).
std::string TextProblem(const std::string& text, uint32_t limit) {
  if (text.size() > limit) return "is longer than " + std::to_string(limit) + " bytes";
  if (!IsUtf8(text)) return "is not UTF-8";
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  return control ? "holds a control character" : "";
}

}  // namespace

std::string RunPathProblem(std::string& path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty()) return "is empty";
  const std::string problem = TextProblem(path, kMaxRunPathBytes);
  if (!problem.empty()) return problem;
  if (!IsAllowedRunPath(path.data(), uint32_t(path.size())))
    return "must name a file inside the payload: relative, without a drive, an empty, . or .. "
           "part, a device name or any of \" * ? < > |";
  return "";
}

std::string ArgumentsProblem(const std::string& text) {
  return TextProblem(text, kMaxArgumentsBytes);
}

std::string TitleProblem(const std::string& text) { return TextProblem(text, kMaxTitleBytes); }

bool OptionTextsAreSound(const InstallerOptions& options) {
  const std::string path = options.runPath;
  return IsUtf8(path) && IsUtf8(options.arguments) && IsUtf8(options.title) &&
         IsAllowedRunPath(path.data(), uint32_t(path.size()));
}
