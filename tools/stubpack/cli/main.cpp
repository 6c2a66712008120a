// stubpack: builds installers from directories, and lists, checks and extracts them with the
// stub's own code.
#include "cli/CommandLine.h"

int main(int argc, char** argv) { return RunCommandLine(argc, argv); }
