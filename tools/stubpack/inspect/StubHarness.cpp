#include "inspect/StubHarness.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "driver/FailedRunCleanUp.h"
#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractArchive.h"
#include "support/Fatal.h"
#include "system/ParkedThread.h"

#ifndef _WIN32
#include "platform/posix/ConfinedDirectory.h"
#endif

// How a run of the stub's code gets back here. The stub ends a failed run from deep inside
// its frames ([[noreturn]] FatalError) and never releases what those frames hold: the process
// ends. The harness runs that code on a thread of its own, and the failure hook, once the
// clean-up is done, hands the outcome to the caller and parks that thread for the rest of the
// process: no frame is unwound or skipped, so no destructor question arises, and what the
// failed run holds stays allocated as in the stub, until stubpack ends (it makes at most two
// runs). The alternatives were worse: longjmp from the hook would skip the destructors of the
// automatic objects in between (WideStrings, item vectors, the LZMA decoder's liblzma state:
// undefined behaviour and leaks); a child process would keep the opened archive, which
// stubpack reads after the run, on the other side of the pipe.
namespace {

// The hand-over from the thread running the stub's code to the caller of Run. Static, so that
// nothing the parked thread last touched is ever destroyed before the process ends.
std::mutex handoverMutex;
std::condition_variable handoverDone;
bool runEnded = false;
StubOutcome runOutcome;

void HandOver(const StubOutcome& outcome) {
  std::lock_guard<std::mutex> lock(handoverMutex);
  runOutcome = outcome;
  runEnded = true;
  handoverDone.notify_one();
}

// Set on the thread that runs the stub's code: the only thread the failure hook may park.
thread_local bool runsStubCode = false;

[[noreturn]] void ParkFailedRun(FailureReason reason, const char* message) {
  if (!runsStubCode) {
    // The stub's code failed on a thread that must answer: parking it would hang stubpack.
    EndProcessNow("stubpack: internal error: the stub's code failed outside a run\n");
  }
  HandOver({true, reason, message ? message : ""});
  ParkThisThread();
}

}  // namespace

StubHarness::StubHarness() {
  ResetRunState();
  InstallFailedRunCleanUp();
  SetFailureHook(ParkFailedRun);
}

StubHarness::~StubHarness() { SetFailureHook(nullptr); }

StubOutcome StubHarness::Run(const std::function<void()>& body) {
  runEnded = false;
  std::thread stub([&body] {
    runsStubCode = true;
    body();
    HandOver(StubOutcome());
  });
  std::unique_lock<std::mutex> lock(handoverMutex);
  handoverDone.wait(lock, [] { return runEnded; });
  const StubOutcome outcome = runOutcome;
  lock.unlock();
  // A run that ended through the hook stays parked; one that returned is finished.
  if (outcome.failed) {
    stub.detach();
  } else {
    stub.join();
  }
  return outcome;
}

StubOutcome OpenInstaller(StubHarness& harness, const std::string& path, OpenedInstaller& opened) {
  return harness.Run(
      [&] { opened.archive = OpenInstallerArchive(WideString::FromAnsi(path.c_str())); });
}

ExtractionReport ExtractWithStub(StubHarness& harness, const std::string& installer,
                                 const OpenedInstaller& opened, const std::string& directory) {
  ExtractionReport report;
  EntryWriter writer;
#ifndef _WIN32
  // The directory may be shared (extract takes an existing empty one): someone else may swap a
  // directory the run made for a link meanwhile, and nothing outside may be created or deleted.
  // (On Windows the stub's own calls run as they do in the stub.)
  const ConfinedDirectory confined(directory.c_str());
#endif
  report.outcome = harness.Run([&] {
    ExtractArchive(*opened.archive, WideString::FromAnsi(installer.c_str()),
                   WideString::FromAnsi(directory.c_str()), kOutputHandleList, writer);
    CloseOutputHandles();
  });
  // Files are written as they are decoded: an entry the failure cut off holds part of its
  // bytes or damaged ones, so it goes (the failure closed its handle). Finished entries stay.
  if (report.outcome.failed && writer.openFile) DeleteFileA(writer.diskPath.ToAnsi());
  std::string last = writer.diskPath.ToAnsi();
  const std::string prefix = writer.outputDirectory.ToAnsi();
  if (last.compare(0, prefix.size(), prefix) == 0) last.erase(0, prefix.size());
  report.lastEntry = last;
  return report;
}
