#include "StubHarness.h"

#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "extract/ExtractArchive.h"
#include "extract/ExtractCallback.h"
#include "platform/testing/PosixTesting.h"
#include "support/Fatal.h"

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
    outcome.reason = LastFatalReason();
    const auto boxes = posix_testing::MessageBoxes();
    for (size_t i = boxesBefore; i < boxes.size(); ++i) {
      if (boxes[i].caption == "Unpacker") outcome.message = boxes[i].text;
    }
  }
  posix_testing::RedirectExitProcess(false);
  return outcome;
}

StubOutcome OpenInstaller(StubHarness& harness, const std::string& path, OpenedInstaller& opened) {
  return harness.Run(
      [&] { opened.archive = OpenInstallerArchive(WideString::FromAnsi(path.c_str())); });
}

ExtractionReport ExtractWithStub(StubHarness& harness, const std::string& installer,
                                 const OpenedInstaller& opened, const std::string& directory) {
  ExtractionReport report;
  ExtractCallback callback;
  report.outcome = harness.Run([&] {
    ExtractArchive(*opened.archive, WideString::FromAnsi(installer.c_str()),
                   WideString::FromAnsi(directory.c_str()), kOutputHandleList, callback);
    CloseOutputHandles();
  });
  // Files are written as they are decoded: an entry the failure cut off holds part of its
  // bytes or damaged ones, so it goes (the failure closed its handle). Finished entries stay.
  if (report.outcome.failed && callback.openFile) DeleteFileA(callback.diskPath.ToAnsi());
  std::string last = callback.diskPath.ToAnsi();
  const std::string prefix = callback.outputDirectory.ToAnsi();
  if (last.compare(0, prefix.size(), prefix) == 0) last.erase(0, prefix.size());
  report.lastEntry = last;
  return report;
}
