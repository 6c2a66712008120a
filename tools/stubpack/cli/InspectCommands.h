// `stubpack list`, `check` and `extract`: they read an installer with the stub's own reader and
// extraction code, so what they report is what the stub would do.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include "inspect/StubHarness.h"
#include "source/PathLengthLimits.h"

struct InspectOptions {
  std::string installer;
  std::string directory;  // extract only
  std::string output;     // export only
  bool json = false;      // list and check
  bool strict = false;    // check: any warning fails it (exit 1)
  uint32_t tempPathLength = kTypicalTempPathLength;  // check: the user's TEMP, for path warnings
};

// Each returns the process exit code: 0 success, 1 the stub would refuse the installer,
// 2 an unreadable installer or an unusable directory.
int RunList(const InspectOptions& options, std::ostream& out, std::ostream& err);
int RunCheck(const InspectOptions& options, std::ostream& out, std::ostream& err);
int RunExtract(const InspectOptions& options, std::ostream& out, std::ostream& err);
// `stubpack export`: the archive part alone, written as pack writes (a partial file renamed).
int RunExport(const InspectOptions& options, std::ostream& out, std::ostream& err);

// "cannot read FILE: REASON" when the installer cannot be opened as a regular file, "FILE is
// not an installer: ..." when it holds no archive behind a stub, else empty.
std::string InstallerAccessProblem(const std::string& path);
// Checks that the installer can be read as one, then opens it with the stub's own reader; 0
// when opened, else the exit code (2 unreadable or not an installer, 1 the stub would refuse
// it) after saying why on err.
int OpenForInspection(StubHarness& harness, const std::string& installer,
                      OpenedInstaller& opened, std::ostream& err);
// Where the stub's scan finds the archive's signature in the file at path, or -1 when it finds
// none (or the file cannot be read).
int64_t ArchiveSignatureOffset(const std::string& path);
