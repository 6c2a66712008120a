#include "FuzzSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "driver/FailedRunCleanUp.h"
#include "driver/RunState.h"
#include "platform/testing/PosixTesting.h"
#include "support/AnsiString.h"

namespace fuzz {
namespace {

std::string scratch;

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void Initialise() {
  static bool done = false;
  if (done) return;
  done = true;
  posix_testing::RedirectExitProcess(true);
  posix_testing::SetQuietMessageBoxes(true);
  InstallFailedRunCleanUp();
  RunStaticInitialisers();
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/stubkit-fuzz-XXXXXX";
  if (!mkdtemp(&pattern[0])) {
    std::perror("mkdtemp");
    std::abort();
  }
  scratch = pattern;
  std::atexit(RemoveScratch);
  if (!getcwd(SavedCurrentDir, MAX_PATH)) std::abort();
}

const std::string& ScratchDir() { return scratch; }

const std::string& StubPrefix() {
  static const std::string prefix = [] {
    std::string p = "MZ\x90";
    p += std::string(1, '\0');
    p += " fuzz stub image, its held signature: ";
    p += "\x38\x7a\xbc\xaf\x27\x1c";
    p.resize(64, ' ');
    return p;
  }();
  return prefix;
}

std::string WriteScratchFile(const std::string& name, const std::string& bytes) {
  std::string path = scratch + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  return path;
}

std::string WriteStubFile(const uint8_t* data, size_t size) {
  std::string bytes = StubPrefix();
  bytes.append(reinterpret_cast<const char*>(data), size);
  // The scan reads whole 65,536-byte blocks that advance by 65,531.
  size_t end = bytes.size();
  size_t needed = 1 + 65531 * ((end - 1) / 65531) + 65536;
  if (bytes.size() < needed) bytes.resize(needed, '\0');
  return WriteScratchFile("stub.bin", bytes);
}

void BeginRun() { posix_testing::TrackAllocations(true, kMemoryBudget); }

bool EndsInFailure(const std::function<void()>& body) {
  try {
    body();
    return false;
  } catch (const posix_testing::ExitCalled& exit) {
    if (exit.code != 1) {
      std::fprintf(stderr, "failure path ended with exit code %u\n", exit.code);
      std::abort();
    }
    return true;
  }
}

void EndRun(bool failed) {
  HandleList->Release();
  size_t left = posix_testing::FreeTrackedAllocations();
  posix_testing::TrackAllocations(false);
  if (!failed && left != 0) {
    std::fprintf(stderr, "%zu blocks left live after a run that returned\n", left);
    std::abort();
  }
}

}  // namespace fuzz
