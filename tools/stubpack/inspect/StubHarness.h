// Runs the stub's own reader and extraction code inside stubpack. The stub ends a failed run
// deep inside its own frames; here the core's failure hook hands the reason back to the
// harness instead, so stubpack can report why the stub would have stopped.
#pragma once
#include <functional>
#include <string>

#include "archive/Archive.h"
#include "support/FailureReason.h"

struct StubOutcome {
  bool failed = false;
  FailureReason reason = FailureReason::None;  // why the stub stopped
  std::string message;  // the specific message box text shown before the general one, if any
};

class StubHarness {
 public:
  // Puts the stub's process-wide state back to what its start-up leaves, with no temporary
  // directory (so a failure removes nothing), and takes over the end of failed runs (no
  // message boxes) until destroyed.
  StubHarness();
  ~StubHarness();
  StubHarness(const StubHarness&) = delete;
  StubHarness& operator=(const StubHarness&) = delete;

  // Runs body, the stub's code, to its end or to a failure. One run at a time.
  StubOutcome Run(const std::function<void()>& body);
};

// The installer opened and its header parsed by the stub's own reader. The objects live as
// long as the process, as they do in the stub.
struct OpenedInstaller {
  Archive* archive = nullptr;
};
StubOutcome OpenInstaller(StubHarness& harness, const std::string& path, OpenedInstaller& opened);

// What an extraction by the stub's code did.
struct ExtractionReport {
  StubOutcome outcome;
  std::string lastEntry;  // path of the last entry the stub prepared, relative to the directory
};
// Extracts every entry of the opened installer into directory (which must exist) the way the
// stub does, with the installer file's time for entries without one. Closes the files after.
ExtractionReport ExtractWithStub(StubHarness& harness, const std::string& installer,
                                 const OpenedInstaller& opened, const std::string& directory);
