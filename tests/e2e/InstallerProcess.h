// Installers run as processes: the stub built beside stubpack, archives appended to it, runs
// with a scratch temporary directory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "StubpackRun.h"

// The general box of a failed run, as the POSIX layer prints it ("caption: text").
inline constexpr char kGeneralFailureBox[] =
    "Error of Unpacking: Unpacking failed\nFile corrupted or problems with temporary directory";

std::string StubPath();
// Whether an archive appended to this build's stub lies within the stub's signature scan (a
// sanitizer build makes the stub too large for that).
bool StubFitsTheScan();
#define SKIP_UNLESS_STUB_FITS()                                                     \
  if (!StubFitsTheScan()) GTEST_SKIP() << "this build's stub is too large to find " \
                                          "an appended archive"
// The stub, the archive's length, the archive and the zeros the signature scan needs.
void WriteInstaller(const std::string& path, const std::vector<uint8_t>& archive);
std::vector<uint8_t> ReadBytes(const std::string& path);
// Runs the installer with TMPDIR set to tempRoot and the given arguments (quoted here).
RunResult RunInstaller(const std::string& installer, const std::string& tempRoot,
                       const std::vector<std::string>& args = {});
// Names directly inside a directory.
std::vector<std::string> DirectoryEntries(const std::string& dir);
// The DOS attribute bits our POSIX layer keeps in the user.DOSATTRIB extended attribute;
// -1 when the file system keeps no such attribute for the file.
long DosAttributeBits(const std::string& path);
