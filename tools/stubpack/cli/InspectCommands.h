// `stubpack list`, `check` and `extract`: they read an installer with the stub's own reader and
// extraction code, so what they report is what the stub would do.
#pragma once
#include <ostream>
#include <string>

#include "source/PathLengthLimits.h"

struct InspectOptions {
  std::string installer;
  std::string directory;  // extract only
  bool json = false;      // list and check
  bool strict = false;    // check: any warning fails it (exit 1)
  uint32_t tempPathLength = kTypicalTempPathLength;  // check: the user's TEMP, for path warnings
};

// Each returns the process exit code: 0 success, 1 the stub would refuse the installer,
// 2 an unreadable installer or an unusable directory.
int RunList(const InspectOptions& options, std::ostream& out, std::ostream& err);
int RunCheck(const InspectOptions& options, std::ostream& out, std::ostream& err);
int RunExtract(const InspectOptions& options, std::ostream& out, std::ostream& err);

// "cannot read FILE: REASON" when the installer cannot be opened as a regular file, "FILE is
// not an installer: ..." when it holds no archive behind a stub, else empty.
std::string InstallerAccessProblem(const std::string& path);
