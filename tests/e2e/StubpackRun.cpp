#include "StubpackRun.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <stdexcept>

std::string StubpackPath() { return STUBPACK_PATH; }

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

RunResult RunShell(const std::string& command) {
  RunResult result;
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    result.output.append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
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
