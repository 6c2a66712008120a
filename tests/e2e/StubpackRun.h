// Runs the stubpack binary and reads back what it wrote.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs stubpack with the arguments (each quoted for the shell) and optional "NAME=VALUE"
// environment assignments.
RunResult RunStubpack(const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {});
// A run whose standard output and standard error are kept apart.
struct SplitRun {
  int exitCode = -1;
  std::string out, err;
};
// Runs stubpack in directory cwd with the arguments and "NAME=VALUE" environment assignments.
SplitRun RunStubpackIn(const std::string& cwd, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment = {});

// Runs a shell command line; returns its exit code and output.
RunResult RunShell(const std::string& command);
std::string ShellQuote(const std::string& text);
// The archive part of an installer: the bytes after the stub and the 4-byte length field.
std::vector<uint8_t> ArchiveOf(const std::vector<uint8_t>& installer, size_t stubSize);
std::string StubpackPath();
