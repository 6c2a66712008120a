#include "StubpackRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::string StubpackPath() { return STUBPACK_PATH; }

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

namespace {

// Runs the command line; appends its standard output to out and returns its exit code.
int ReadCommand(const std::string& command, std::string& out) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RunResult RunShell(const std::string& command) {
  RunResult result;
  result.exitCode = ReadCommand(command + " 2>&1", result.output);
  return result;
}

SplitRun RunStubpackIn(const std::string& cwd, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment) {
  char errPath[] = "/tmp/stubpack-stderr-XXXXXX";
  const int fd = mkstemp(errPath);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  std::string command = "cd " + ShellQuote(cwd) + " && env";
  for (const std::string& assignment : environment) command += " " + ShellQuote(assignment);
  command += " " + ShellQuote(StubpackPath());
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " </dev/null 2>" + std::string(errPath);
  SplitRun run;
  run.exitCode = ReadCommand(command, run.out);
  std::ifstream err(errPath);
  run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  unlink(errPath);
  return run;
}

RunResult RunStubpack(const std::vector<std::string>& args,
                      const std::vector<std::string>& environment) {
  std::string command = "env";
  for (const std::string& assignment : environment) command += " " + ShellQuote(assignment);
  command += " " + ShellQuote(StubpackPath());
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  return RunShell(command + " </dev/null");
}

std::vector<uint8_t> ArchiveOf(const std::vector<uint8_t>& installer, size_t stubSize) {
  if (installer.size() < stubSize + 4) throw std::runtime_error("installer too short");
  const uint8_t* field = installer.data() + stubSize;
  const uint32_t length = field[0] | (field[1] << 8) | (field[2] << 16) |
                          (static_cast<uint32_t>(field[3]) << 24);
  if (installer.size() - stubSize - 4 < length) throw std::runtime_error("length field too big");
  return std::vector<uint8_t>(field + 4, field + 4 + length);
}
