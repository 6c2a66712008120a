#include "InstallerProcess.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <filesystem>

#include "installer/InstallerLayout.h"
#include "stubpack/TestFiles.h"

std::string StubPath() { return STUB_PATH; }

bool StubFitsTheScan() {
  return std::filesystem::file_size(StubPath()) + 4 <= kScanReach;
}

std::vector<uint8_t> ReadBytes(const std::string& path) { return ReadFile(path); }

void WriteInstaller(const std::string& path, const std::vector<uint8_t>& archive) {
  std::vector<uint8_t> file = ReadFile(StubPath());
  const size_t stubSize = file.size();
  for (int i = 0; i < 4; ++i) file.push_back(uint8_t(archive.size() >> (8 * i)));
  file.insert(file.end(), archive.begin(), archive.end());
  file.resize(file.size() + ScanPadding(stubSize, archive.size()), 0);
  WriteFile(path, file);
  chmod(path.c_str(), 0755);
}

RunResult RunInstaller(const std::string& installer, const std::string& tempRoot,
                       const std::vector<std::string>& args) {
  std::string command = "env TMPDIR=" + ShellQuote(tempRoot) + " " + ShellQuote(installer);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  return RunShell(command + " </dev/null");
}

std::vector<std::string> DirectoryEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  return names;
}

long DosAttributeBits(const std::string& path) {
  char text[32] = {};
  const ssize_t n = lgetxattr(path.c_str(), "user.DOSATTRIB", text, sizeof text - 1);
  if (n <= 0) return -1;
  return std::strtol(text, nullptr, 0);
}
