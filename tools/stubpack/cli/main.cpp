// stubpack: builds installers from directories, and lists, checks and extracts them with the
// stub's own code.
#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/CommandLine.h"
#include "system/ProgramArguments.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  const int code = RunCommandLine(int(arguments.size()), pointers.data());
  // What a command printed is its result: output that could not be written (a full disk, a
  // closed pipe) is an I/O error, never a success.
  errno = 0;
  if (!std::cout.flush()) {
    std::cerr << "stubpack: error: cannot write the output: "
              << (errno ? std::strerror(errno) : "write failed") << "\n";
    return 2;
  }
  return code;
}
