// stubpack: builds installers from directories.
#include <iostream>
#include <string>
#include <vector>

#include "PackCommand.h"
#include "PackError.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::cerr << PackUsage();
    return args.empty() ? 2 : 0;
  }
  try {
    if (args[0] != "pack") throw PackError("unknown command " + args[0] + "\n" + PackUsage());
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
      if (arg == "-h" || arg == "--help") {
        std::cout << PackUsage();
        return 0;
      }
    }
    RunPack(ParsePackOptions(rest), std::cerr);
    return 0;
  } catch (const PackError& error) {
    std::cerr << "stubpack: error: " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "stubpack: internal error: " << error.what() << "\n";
    return 1;
  }
}
