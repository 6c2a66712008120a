#include "cli/HelpFormatter.h"

#include <algorithm>
#include <sstream>

std::string HelpFormatter::Usage(const CLI::App* app) const {
  const auto found = usage_.find(app);
  return found == usage_.end() ? "" : found->second;
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string) const {
  return Usage(app) + "\n";
}

std::string HelpFormatter::make_description(const CLI::App* app) const {
  const std::string description = app->get_description();
  return description.empty() ? "" : WrapWords(description, kWidth) + "\n";
}

// Descriptions start at the option column, so they get what is left of the line.
std::string HelpFormatter::make_subcommand(const CLI::App* command) const {
  std::ostringstream out;
  CLI::detail::format_help(out, command->get_display_name(true),
                           WrapWords(command->get_description(), kWidth - get_column_width()),
                           get_column_width());
  return out.str();
}

std::string HelpFormatter::make_option_desc(const CLI::Option* option) const {
  return WrapWords(option->get_description(), kWidth - get_column_width());
}

std::string HelpFormatter::make_footer(const CLI::App* app) const {
  const std::string footer = app->get_footer();
  return footer.empty() ? "" : WrapWords(footer, kWidth) + "\n";
}

namespace {

std::string WrapLine(const std::string& line, size_t width) {
  std::string wrapped;
  size_t lineLength = 0;
  size_t at = 0;
  while (at < line.size()) {
    const size_t end = std::min(line.find(' ', at), line.size());
    const std::string word = line.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (lineLength != 0) {
      const bool fits = lineLength + 1 + word.size() <= width;
      wrapped += fits ? ' ' : '\n';
      lineLength = fits ? lineLength + 1 : 0;
    }
    wrapped += word;
    lineLength += word.size();
  }
  return wrapped;
}

}  // namespace

// Line breaks already in the text stay.
std::string WrapWords(const std::string& text, size_t width) {
  std::string wrapped;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    if (at != 0) wrapped += '\n';
    wrapped += WrapLine(text.substr(at, end - at), width);
    at = end + 1;
  }
  return wrapped;
}
