// stubpack: builds installers from directories, and lists, checks and extracts them with the
// stub's own code.
#include <iostream>
#include <string>
#include <vector>

#include "InspectCommands.h"
#include "PackCommand.h"
#include "PackError.h"

namespace {

const char kUsage[] =
    "usage: stubpack pack [options] SOURCE_DIR -o INSTALLER\n"
    "       stubpack list [--json] INSTALLER\n"
    "       stubpack check INSTALLER\n"
    "       stubpack extract INSTALLER DIR\n"
    "Run \"stubpack pack --help\" for the packing options.\n";

int RunPackCommand(const std::vector<std::string>& rest) {
  for (const std::string& arg : rest) {
    if (arg == "-h" || arg == "--help") {
      std::cout << PackUsage();
      return 0;
    }
  }
  RunPack(ParsePackOptions(rest), std::cerr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::cerr << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (args[0] == "pack") return RunPackCommand(rest);
    if (args[0] == "list") return RunList(rest, std::cout, std::cerr);
    if (args[0] == "check") return RunCheck(rest, std::cout, std::cerr);
    if (args[0] == "extract") return RunExtract(rest, std::cout, std::cerr);
    throw PackError("unknown command " + args[0] + "\n" + kUsage);
  } catch (const PackError& error) {
    std::cerr << "stubpack: error: " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "stubpack: internal error: " << error.what() << "\n";
    return 1;
  }
}
