#include "StubHarness.h"

#include "archive/InputFile.h"
#include "driver/FileFinder.h"
#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "extract/ExtractCallback.h"
#include "extract/ExtractItems.h"
#include "format/SignatureScan.h"
#include "platform/testing/PosixTesting.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

StubHarness::StubHarness() {
  posix_testing::Reset();
  ResetRunState();
  posix_testing::SetQuietMessageBoxes(true);
}

StubHarness::~StubHarness() { posix_testing::Reset(); }

StubOutcome StubHarness::Run(const std::function<void()>& body) {
  StubOutcome outcome;
  const size_t boxesBefore = posix_testing::MessageBoxes().size();
  posix_testing::RedirectExitProcess(true);
  try {
    body();
  } catch (const posix_testing::ExitCalled&) {
    outcome.failed = true;
    const char* reason = LastFatalReason();
    outcome.reason = reason ? reason : "unknown";
    const auto boxes = posix_testing::MessageBoxes();
    for (size_t i = boxesBefore; i < boxes.size(); ++i) {
      if (boxes[i].caption == "Unpacker") outcome.message = boxes[i].text;
    }
  }
  posix_testing::RedirectExitProcess(false);
  return outcome;
}

StubOutcome OpenInstaller(StubHarness& harness, const std::string& path, OpenedInstaller& opened) {
  return harness.Run([&] {
    InputFile* file = New<InputFile>();
    file->Open(WideString::FromAnsi(path.c_str()));
    Archive* archive = New<Archive>();
    OpenArchive(*archive, *file, kSignatureSearchLimit);
    opened.archive = archive;
  });
}

ExtractionReport ExtractWithStub(StubHarness& harness, const std::string& installer,
                                 const OpenedInstaller& opened, const std::string& directory) {
  ExtractionReport report;
  ExtractCallback callback;
  WideString outputDirectory = WideString::FromAnsi(directory.c_str());
  if (outputDirectory.Length() == 0 || outputDirectory.CharAt(outputDirectory.Length() - 1) != '\\')
    outputDirectory.AppendUnit('\\');
  report.outcome = harness.Run([&] {
    // Entries without a time get the installer's own, as in the stub.
    FileFinder finder;
    finder.Open(installer.c_str());
    WIN32_FIND_DATAA record;
    const bool found = finder.Next(&record);
    finder.Close();
    if (!found) FatalError("stub file not found");
    callback.Init(opened.archive, outputDirectory, record.ftLastWriteTime, 0);
    ExtractItems(*opened.archive, opened.archive->Database.Files.Count(), callback);
    CloseOutputHandles();
  });
  // Files are written as they are decoded: an entry the failure cut off holds part of its
  // bytes or damaged ones, so it goes (the failure closed its handle). Finished entries stay.
  if (report.outcome.failed && callback.openFile) DeleteFileA(callback.diskPath.ToAnsi());
  std::string last = callback.diskPath.ToAnsi();
  const std::string prefix = outputDirectory.ToAnsi();
  if (last.compare(0, prefix.size(), prefix) == 0) last.erase(0, prefix.size());
  report.lastEntry = last;
  return report;
}
