// stubpack's command line: the subcommands with their options, help and version, and the
// exit codes (0 done, 1 the stub would refuse the installer, 2 bad usage or an I/O failure).
#pragma once

int RunCommandLine(int argc, char** argv);
