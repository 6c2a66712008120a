#include "installer/StubFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/PackError.h"
#include "driver/StubTag.h"
#include "installer/InstallerLayout.h"
#include "pe/PeHeaders.h"
#include "system/FileStatus.h"
#include "system/ReadableFile.h"

namespace {

bool IsElfImage(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "\x7f" "ELF", 4) == 0;
}

// The version behind the tag, or empty when the tag is missing.
std::string TaggedVersion(const std::vector<uint8_t>& bytes) {
  const std::string tag = STUBKIT_STUB_TAG;
  auto at = bytes.begin();
  while ((at = std::search(at, bytes.end(), tag.begin(), tag.end())) != bytes.end()) {
    at += tag.size();
    const auto end = std::find(at, bytes.end(), 0);
    std::string version(at, end);
    const bool plausible = !version.empty() && version.size() < 32 &&
                           version.find_first_not_of("0123456789.") == std::string::npos;
    if (plausible) return version;
  }
  return "";
}

bool Readable(const std::string& path) {
  ReadableFile file;
  std::string ignored;
  return file.Open(path, /*asScanned=*/false, ignored);
}

}  // namespace

std::string StubpackDirectory() {
  std::string error;
  const std::string path = CanonicalPath(RunningProgramPath(), error);
  if (path.empty()) throw PackError("cannot locate the running stubpack; give --stub PATH");
  return path.substr(0, path.find_last_of(kPathSeparators));
}

std::string StubPath(const std::string& choice) {
  if (!choice.empty() && choice != "native") return choice;
  const bool windows = choice.empty();
  const std::string name = windows ? "stub.exe" : "stub";
  const std::string dir = StubpackDirectory();
  // Beside stubpack in the build tree, else where `cmake --install` puts it.
  const std::string separator(1, kPathSeparator);
  const std::string candidates[] = {dir + separator + name,
                                    dir + separator + ".." + separator + "share" + separator +
                                        "stubkit" + separator + name};
  for (const std::string& candidate : candidates)
    if (Readable(candidate)) return candidate;
  if (windows) {
    throw PackError("no Windows stub found (looked for " + candidates[0] + " and " +
                    candidates[1] + "); a build with mingw-w64 installed puts stub.exe beside " +
                    "stubpack; or give --stub PATH, or --stub native for a Linux installer");
  }
  throw PackError("no Linux stub found (looked for " + candidates[0] + " and " + candidates[1] +
                  ")");
}

StubFile ReadStubFile(const std::string& path) {
  StubFile stub;
  stub.path = path;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError("cannot read the stub " + path + ": " + std::strerror(errno));
  stub.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throw PackError("cannot read the stub " + path + ": " + std::strerror(errno));
  CheckScanGetsPast(stub.bytes, path);
  const bool pe = FindPeSignature(stub.bytes.data(), stub.bytes.size()).has_value();
  stub.version = TaggedVersion(stub.bytes);
  if ((!pe && !IsElfImage(stub.bytes)) || stub.version.empty()) {
    throw PackError(path + " is not a stubkit stub (a stub is a PE or ELF program carrying " +
                    "the stub's tag); give stub.exe, or --stub native for the Linux stub");
  }
  stub.platform = pe ? StubPlatform::kWindows : StubPlatform::kLinux;
  return stub;
}
