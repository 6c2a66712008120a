// The installer being written: OUTPUT.partial beside the target, renamed over it only when
// complete, and removed if the pack fails or is interrupted (SIGINT, SIGTERM, SIGHUP; Ctrl+C
// or a closed console on Windows).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The same way of writing serves any output that must appear whole or not at all.
class InstallerFile {
 public:
  // executable: the finished file gets mode 0755 (an installer), else 0644 (an archive).
  explicit InstallerFile(const std::string& path, bool executable = true);
  ~InstallerFile();
  InstallerFile(const InstallerFile&) = delete;
  InstallerFile& operator=(const InstallerFile&) = delete;

  void Write(const void* data, size_t size);
  void WriteAt(uint64_t offset, const void* data, size_t size);
  // The PE header checksum of everything written so far (read back from the disk).
  uint32_t PeChecksumOfContent(uint64_t checksumOffset);
  void Commit();

 private:
  [[noreturn]] void Fail(const char* what, const std::string& error);

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool executable_;
};
