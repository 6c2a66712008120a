// How stubpack's help looks: our own usage line for each command instead of CLI11's generated
// one, and descriptions wrapped to fit an 80-column terminal. The man page reads the same
// usage lines and descriptions.
#pragma once
#include <CLI/CLI.hpp>

#include <map>
#include <string>

class HelpFormatter : public CLI::Formatter {
 public:
  static constexpr size_t kWidth = 80;

  void SetUsage(const CLI::App* app, const std::string& usage) { usage_[app] = usage; }
  // "usage: stubpack COMMAND ...", or empty for an app without one.
  std::string Usage(const CLI::App* app) const;

  std::string make_usage(const CLI::App* app, std::string) const override;
  std::string make_description(const CLI::App* app) const override;
  std::string make_subcommand(const CLI::App* command) const override;
  std::string make_option_desc(const CLI::Option* option) const override;
  std::string make_footer(const CLI::App* app) const override;

 private:
  std::map<const CLI::App*, std::string> usage_;
};

// The text with line breaks between words so that no line is longer than width (a longer word
// keeps a line of its own).
std::string WrapWords(const std::string& text, size_t width);
