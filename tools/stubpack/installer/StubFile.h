// The stub an installer is built on: by default the Windows stub.exe (beside stubpack in the
// build tree, or installed under share/stubkit), the Linux stub only on request ("native"),
// or a given file, which must be one of our stubs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class StubPlatform { kWindows, kLinux };

struct StubFile {
  std::string path;
  std::vector<uint8_t> bytes;
  StubPlatform platform = StubPlatform::kWindows;
  std::string version;  // the stubkit version the stub was built from
};

// Where the stub of --stub CHOICE is: "" the Windows stub, "native" the Linux stub, else the
// path itself. Throws PackError when no such stub is installed.
std::string StubPath(const std::string& choice);
// Reads the stub, checks that the installer can find an archive behind it (CheckScanGetsPast)
// and that it is one of ours (a PE or ELF image carrying the stub's tag); throws PackError
// otherwise.
StubFile ReadStubFile(const std::string& path);
// The directory that holds the running stubpack.
std::string StubpackDirectory();
