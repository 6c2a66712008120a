#include "cli/ManPage.h"

#include "driver/StubTag.h"

namespace {

// Text as roff reads it: backslashes and minus signs escaped, a line break where the help has
// one, and no line that begins with a control character.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    lineStart = false;
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if (c == '\n') {
      out += "\n.br\n";
      lineStart = true;
    } else {
      out += c;
    }
  }
  return out;
}

std::string WithoutUsagePrefix(const std::string& usage) {
  const std::string prefix = "usage: ";
  return usage.rfind(prefix, 0) == 0 ? usage.substr(prefix.size()) : usage;
}

// ".TP" entries for the command's options and arguments, with a heading for each group but
// the plain options.
std::string Options(const CLI::App& command) {
  std::string out;
  std::string group;
  for (const CLI::Option* option : command.get_options()) {
    // Hidden options have no group; a command's --help is said once, for the tool.
    if (option->get_group().empty()) continue;
    if (command.get_parent() != nullptr && option == command.get_help_ptr()) continue;
    if (option->get_group() != group && option->nonpositional()) {
      group = option->get_group();
      if (group != "Options") out += ".PP\n" + Roff(group) + ":\n";
    }
    std::string names = option->get_name(false, true);
    for (size_t comma = names.find(','); comma != std::string::npos;
         comma = names.find(',', comma + 2))
      names.replace(comma, 1, ", ");
    std::string tag = "\\fB" + Roff(names) + "\\fR";
    if (option->nonpositional() && option->get_type_size() != 0 &&
        !option->get_type_name().empty()) {
      tag += " \\fI" + Roff(option->get_type_name()) + "\\fR";
    }
    out += ".TP\n" + tag + "\n" + Roff(option->get_description()) + "\n";
  }
  return out;
}

}  // namespace

std::string ManPage(const CLI::App& app, const HelpFormatter& help) {
  // Left-aligned: paths in the text would stretch justified lines.
  std::string page = ".TH STUBPACK 1 \"\" \"stubkit " STUBKIT_VERSION "\" \"User Commands\"\n";
  page += ".ad l\n";
  page += ".SH NAME\nstubpack \\- " + Roff(app.get_description()) + "\n";
  page += ".SH SYNOPSIS\n.nf\n";
  page += Roff(WithoutUsagePrefix(help.Usage(&app))) + "\n";
  const std::vector<const CLI::App*> commands = app.get_subcommands({});
  for (const CLI::App* command : commands)
    page += Roff(WithoutUsagePrefix(help.Usage(command))) + "\n";
  page += ".fi\n.SH OPTIONS\n" + Options(app);
  page += ".SH COMMANDS\n";
  for (const CLI::App* command : commands) {
    page += ".SS " + command->get_name() + "\n";
    page += "\\fB" + Roff(WithoutUsagePrefix(help.Usage(command))) + "\\fR\n.PP\n";
    page += Roff(command->get_description()) + "\n" + Options(*command);
    // Commands inherit the tool's footer, which EXIT STATUS gives once.
    const std::string footer = command->get_footer();
    if (!footer.empty() && footer != app.get_footer()) page += ".PP\n" + Roff(footer) + "\n";
  }
  page += ".SH EXIT STATUS\n" + Roff(app.get_footer()) + "\n";
  return page;
}
