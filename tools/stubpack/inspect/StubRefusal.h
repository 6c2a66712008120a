// How list, check and extract tell why the stub would refuse an installer: from the reason the
// stub's failure path recorded, never from its text.
#pragma once
#include <ostream>
#include <string>

#include "inspect/StubHarness.h"
#include "support/FailureReason.h"

// The line that reports why the stub stops: "the stub would refuse this installer: REASON",
// with the message box text the stub showed, if any, and for failures of an entry itself the
// last entry the stub reached.
std::string RefusalText(const StubOutcome& outcome, const std::string& lastEntry);

// Words for a user about a refusal check can explain, or "" when the reason says it all.
std::string ExplainRefusal(FailureReason reason);

// Opens the installer with the stub's own reader; when the stub would refuse it, says why on
// err and returns false.
bool OpenOrExplain(StubHarness& harness, const std::string& installer, OpenedInstaller& opened,
                   std::ostream& err);
