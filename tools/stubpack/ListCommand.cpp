#include <sstream>

#include "InspectCommands.h"
#include "InstallerIdentity.h"
#include "InstallerListing.h"
#include "StubHarness.h"

std::string RefusalText(const std::string& reason, const std::string& message,
                        const std::string& entry) {
  std::string text = "the stub would refuse this installer: " + reason;
  if (!message.empty() && message != reason) text += " (\"" + message + "\")";
  // The entry the stub was preparing names the culprit only for failures of an entry itself;
  // damaged packed data shows before the entries it would have produced.
  const bool aboutEntry = !message.empty() || reason.compare(0, 5, "entry") == 0;
  if (aboutEntry && !entry.empty()) text += "; last entry reached: \"" + entry + "\"";
  return text;
}

int RunList(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  const std::string problem = InstallerAccessProblem(installer);
  if (!problem.empty()) {
    err << "stubpack: error: " << problem << "\n";
    return 2;
  }
  StubHarness harness;
  OpenedInstaller opened;
  const StubOutcome outcome = OpenInstaller(harness, installer, opened);
  if (outcome.failed) {
    err << "stubpack: " << RefusalText(outcome.reason, outcome.message, "") << "\n";
    return 1;
  }
  const InstallerListing listing = ListDatabase(opened.archive->Database);
  const InstallerIdentity identity = ReadIdentity(installer);
  if (options.json) {
    // The listing's object gains one more member: the installer's resources.
    std::ostringstream entries;
    PrintListingJson(listing, entries);
    const std::string text = entries.str();
    out << text.substr(0, text.rfind('}')) << ",\n\"installer\":";
    PrintIdentityJson(identity, out);
    out << "}\n";
  } else {
    PrintListing(listing, out);
    PrintIdentity(identity, out);
  }
  return 0;
}
