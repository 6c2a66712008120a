#include <filesystem>
#include <system_error>

#include "InspectCommands.h"
#include "StubHarness.h"

namespace fs = std::filesystem;

int RunExtract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 || args[0].empty() || args[1].empty() || args[0][0] == '-') {
    err << "usage: stubpack extract INSTALLER DIR\n";
    return 2;
  }
  const std::string& installer = args[0];
  const std::string& directory = args[1];
  // The stub deletes whatever stands in an entry's way; in a user's directory that would be
  // someone's file, so only an empty or new directory is written to.
  std::error_code error;
  if (fs::exists(directory, error)) {
    if (!fs::is_directory(directory, error)) {
      err << "stubpack: error: " << directory << " is not a directory\n";
      return 2;
    }
    if (!fs::is_empty(directory, error) || error) {
      err << "stubpack: error: " << directory << " is not empty; extract into a new directory\n";
      return 2;
    }
  } else if (!fs::create_directories(directory, error) || error) {
    err << "stubpack: error: cannot create " << directory << ": " << error.message() << "\n";
    return 2;
  }

  StubHarness harness;
  OpenedInstaller opened;
  const StubOutcome outcome = OpenInstaller(harness, installer, opened);
  if (outcome.failed) {
    err << "stubpack: " << RefusalText(outcome.reason, outcome.message, "") << "\n";
    return 1;
  }
  const std::string absolute = fs::absolute(directory, error).lexically_normal().string();
  const ExtractionReport report = ExtractWithStub(harness, installer, opened, absolute);
  if (report.outcome.failed) {
    err << "stubpack: "
        << RefusalText(report.outcome.reason, report.outcome.message, report.lastEntry) << "\n"
        << "stubpack: " << directory << " keeps what was extracted before the failure\n";
    return 1;
  }
  out << "extracted " << opened.archive->Database.Files.Count() << " entries into " << directory
      << "\n";
  return 0;
}
