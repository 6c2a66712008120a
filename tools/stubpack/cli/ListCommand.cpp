#include <sstream>

#include "cli/InspectCommands.h"
#include "inspect/InstallerListing.h"
#include "inspect/StubHarness.h"
#include "pe/InstallerIdentity.h"

int RunList(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  StubHarness harness;
  OpenedInstaller opened;
  if (const int refused = OpenForInspection(harness, installer, opened, err)) return refused;
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
