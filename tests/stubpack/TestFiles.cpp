#include "TestFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>

#include "driver/StubTag.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "stubpack-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only entries do not stop a root-less removal of their directory.
  fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

std::vector<std::string> SmallMingwDlls() {
  std::vector<std::string> found;
  for (const char* dir : {"/usr/lib/gcc/i686-w64-mingw32", "/usr/i686-w64-mingw32/lib"}) {
    std::error_code error;
    if (!fs::is_directory(dir, error)) continue;
    for (auto it = fs::recursive_directory_iterator(dir, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
      if (error) break;
      if (it->is_regular_file() && it->path().extension() == ".dll" &&
          it->file_size() < (2u << 20)) {
        found.push_back(it->path().string());
      }
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<uint8_t> StandInStub(size_t size, uint32_t seed) {
  std::vector<uint8_t> stub = RandomBytes(std::max<size_t>(size, 128), seed);
  const std::string head = std::string("\x7f" "ELF") + STUBKIT_STUB_TAG STUBKIT_VERSION + '\0';
  std::copy(head.begin(), head.end(), stub.begin());
  return stub;
}

void SetTime(const std::string& path, int64_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}
