#include "inspect/StubRefusal.h"

namespace {

// Failures of the entry being prepared or written, as opposed to damaged packed data, which
// shows before the entries it would have produced.
bool IsEntryFailure(FailureReason reason) {
  switch (reason) {
    case FailureReason::EntryOf4GiBOrMore:
    case FailureReason::EntryCrcMismatch:
    case FailureReason::EntryWithoutPath:
    case FailureReason::EntryPathLeavesOutputDirectory:
    case FailureReason::EntryPathNamesDevice:
    case FailureReason::EntryWithoutFolder:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string RefusalText(const StubOutcome& outcome, const std::string& lastEntry) {
  std::string text =
      std::string("the stub would refuse this installer: ") + FailureReasonText(outcome.reason);
  if (!outcome.message.empty()) text += " (\"" + outcome.message + "\")";
  // A failure with its own message box is one of an entry's output file too.
  const bool aboutEntry = !outcome.message.empty() || IsEntryFailure(outcome.reason);
  if (aboutEntry && !lastEntry.empty()) text += "; last entry reached: \"" + lastEntry + "\"";
  return text;
}

std::string ExplainRefusal(FailureReason reason) {
  switch (reason) {
    case FailureReason::NotPlainHeader:
      return "the header is compressed; the stub reads plain headers only";
    case FailureReason::ArchiveProperties:
      return "the header carries archive properties, which the stub refuses";
    case FailureReason::UnsupportedVersion:
      return "the archive's major version is not 0";
    case FailureReason::SignatureNotFound:
      return "no archive signature within the stub's scan";
    case FailureReason::ShortRead:
      return "the file ends before data the stub reads (truncated?)";
    case FailureReason::HeaderOutsideFile:
      return "the header lies beyond the end of the file (truncated?)";
    case FailureReason::StartHeaderCrcMismatch:
      return "the start header is damaged";
    case FailureReason::HeaderCrcMismatch:
      return "the header is damaged";
    case FailureReason::EntryCrcMismatch:
      return "an entry's data does not match its CRC";
    case FailureReason::CorruptLzmaData:
    case FailureReason::Bcj2TargetStreamShort:
    case FailureReason::Bcj2MainStreamShort:
    case FailureReason::Bcj2DecisionStreamShort:
      return "packed data is damaged";
    case FailureReason::FolderEndedBeforeEntries:
      return "a folder yields fewer bytes than its entries need";
    case FailureReason::EntryPathLeavesOutputDirectory:
      return "an entry would be written outside the output directory";
    case FailureReason::EntryPathNamesDevice:
      return "an entry names a device (CON, NUL, COM1, ...), which Windows opens instead of a file";
    default:
      return "";
  }
}

bool OpenOrExplain(StubHarness& harness, const std::string& installer, OpenedInstaller& opened,
                   std::ostream& err) {
  const StubOutcome outcome = OpenInstaller(harness, installer, opened);
  if (outcome.failed) err << "stubpack: " << RefusalText(outcome, "") << "\n";
  return !outcome.failed;
}
