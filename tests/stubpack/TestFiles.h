// Helpers shared by stubpack's tests: temporary directories, files, real x86 DLLs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadFile(const std::string& path);
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);
// Sets a path's access and modification times (not following a link); fails the test if it cannot.
void SetTime(const std::string& path, int64_t seconds, long nanoseconds);
// A stand-in for a stub that stubpack accepts (an image header and the stub's tag), padded to
// size bytes (at least 128) with random bytes.
std::vector<uint8_t> StandInStub(size_t size = 128, uint32_t seed = 9);
// i686 DLLs from the installed mingw-w64 packages, smaller than 2 MiB; empty when absent.
std::vector<std::string> SmallMingwDlls();
