#include <filesystem>
#include <system_error>

#include "cli/InspectCommands.h"
#include "inspect/StubHarness.h"
#include "inspect/StubRefusal.h"

namespace fs = std::filesystem;

namespace {

// The outermost directory that create_directories(path) would make, or empty if path exists.
fs::path FirstMissingDirectory(const fs::path& path) {
  std::error_code error;
  fs::path missing;
  for (fs::path p = path; !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
    missing = p;
    if (p == p.parent_path()) break;
  }
  return missing;
}

// Removes the directories made for an extraction that wrote nothing: each level up to the
// first one made, as long as it is empty.
void RemoveIfUnused(const fs::path& directory, const fs::path& created) {
  std::error_code error;
  for (fs::path p = directory; !created.empty(); p = p.parent_path()) {
    if (!fs::remove(p, error) || p == created) break;
  }
}

}  // namespace

int RunExtract(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  const std::string& directory = options.directory;
  const std::string problem = InstallerAccessProblem(installer);
  if (!problem.empty()) {
    err << "stubpack: error: " << problem << "\n";
    return 2;
  }
  // The stub deletes whatever stands in an entry's way; in a user's directory that would be
  // someone's file, so only an empty or new directory is written to.
  std::error_code error;
  const fs::path absolute = fs::absolute(directory, error).lexically_normal();
  const fs::path created = FirstMissingDirectory(absolute);
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
  if (!OpenOrExplain(harness, installer, opened, err)) {
    RemoveIfUnused(absolute, created);
    return 1;
  }
  const ExtractionReport report = ExtractWithStub(harness, installer, opened, absolute.string());
  if (report.outcome.failed) {
    err << "stubpack: " << RefusalText(report.outcome, report.lastEntry) << "\n";
    RemoveIfUnused(absolute, created);
    if (fs::exists(directory, error)) {
      err << "stubpack: " << directory << " keeps what was extracted before the failure\n";
    }
    return 1;
  }
  out << "extracted " << opened.archive->Database.Files.Count() << " entries into " << directory
      << "\n";
  return 0;
}
