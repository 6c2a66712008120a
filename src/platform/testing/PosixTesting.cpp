// The test seams of the POSIX layer: fault injection, the recorder, allocation accounting and
// the stand-ins. Compiled only into the tests' copy of the layer (STUBKIT_SEAMS).
#include "platform/testing/PosixTesting.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "platform/posix/PosixInternal.h"

static_assert(kSeams, "the seams belong to the tests' copy of the layer only");

namespace posix_seams {
namespace {

struct FaultState {
  uint32_t calls[size_t(Api::Count)] = {};
  std::vector<std::pair<uint32_t, DWORD>> failAt[size_t(Api::Count)];  // call numbers, errors
  std::vector<std::pair<uint32_t, std::function<void()>>> before[size_t(Api::Count)];
};

struct Recorder {
  bool on = false;
  std::vector<std::string> calls;
  std::vector<std::string> processes;
  std::vector<posix_testing::MessageBoxRecord> boxes;
  std::vector<posix_testing::WindowMessage> messages;
};

struct AllocationTracker {
  bool on = false;
  size_t budget = SIZE_MAX;
  size_t liveBytes = 0;
  std::unordered_map<void*, size_t> live;
};

FaultState& Faults() {
  static FaultState* state = new FaultState;
  return *state;
}

Recorder& Records() {
  static Recorder* recorder = new Recorder;
  return *recorder;
}

AllocationTracker& Tracker() {
  static AllocationTracker* tracker = new AllocationTracker;
  return *tracker;
}

}  // namespace

bool InjectedFault(Api api) {
  FaultState& f = Faults();
  size_t i = size_t(api);
  ++f.calls[i];
  for (auto& action : f.before[i])
    if (action.first == f.calls[i]) action.second();
  auto& pending = f.failAt[i];
  auto hit = std::find_if(pending.begin(), pending.end(),
                          [&](const auto& fault) { return fault.first == f.calls[i]; });
  if (hit == pending.end()) return false;
  SetLastError(hit->second);
  pending.erase(hit);
  RecordCall(std::string("fault ") + posix_testing::ApiName(api));
  return true;
}

void RecordCall(const std::string& call) {
  if (Records().on) Records().calls.push_back(call);
}

void RecordProcess(const std::string& commandLine) {
  if (Records().on) Records().processes.push_back(commandLine);
}

void RecordMessageBox(const posix_testing::MessageBoxRecord& box) {
  if (Records().on) Records().boxes.push_back(box);
}

void RecordMessage(const posix_testing::WindowMessage& message) {
  if (Records().on) Records().messages.push_back(message);
}

StandInState& StandIns() {
  static StandInState* standIns = new StandInState;
  return *standIns;
}

bool AllowAllocation(size_t bytes) {
  const AllocationTracker& tracker = Tracker();
  return !tracker.on || bytes <= tracker.budget - tracker.liveBytes;
}

void NoteAllocation(void* block, size_t bytes) {
  AllocationTracker& tracker = Tracker();
  if (!tracker.on || !block) return;
  tracker.live[block] = bytes;
  tracker.liveBytes += bytes;
}

void NoteFree(void* block) {
  AllocationTracker& tracker = Tracker();
  if (!tracker.on || !block) return;
  auto it = tracker.live.find(block);
  if (it == tracker.live.end()) return;
  tracker.liveBytes -= it->second;
  tracker.live.erase(it);
}

}  // namespace posix_seams

namespace posix_testing {

using namespace posix_layer;

const char* ApiName(Api api) {
  static const char* const names[] = {
      "CreateFileA", "ReadFile", "WriteFile", "SetFilePointer", "SetFileTime",
      "SetFileAttributesA", "SetFileInformationByHandle", "DeleteFileA", "CloseHandle",
      "CreateDirectoryA", "RemoveDirectoryA", "FindFirstFileA", "FindNextFileA",
      "GetCurrentDirectoryA",
      "SetCurrentDirectoryA", "GetTempPathA", "GetTempFileNameA", "GetWindowsDirectoryA",
      "GetModuleFileNameA", "CreateProcessA", "WaitForSingleObject", "LocalAlloc",
      "ShellExecuteExA"};
  static_assert(sizeof(names) / sizeof(names[0]) == size_t(Api::Count), "one name per Api");
  return names[size_t(api)];
}

void FailCall(Api api, uint32_t nth, DWORD error) {
  FaultState& f = Faults();
  f.failAt[size_t(api)].push_back({f.calls[size_t(api)] + nth, error});
}

void BeforeCall(Api api, uint32_t nth, std::function<void()> action) {
  FaultState& f = Faults();
  f.before[size_t(api)].push_back({f.calls[size_t(api)] + nth, std::move(action)});
}

uint32_t CallCount(Api api) { return Faults().calls[size_t(api)]; }

void ShortenWrite(uint32_t nth) { StandIns().shortWriteCall = CallCount(Api::WriteFile) + nth; }

std::vector<std::string> Calls() { return Records().calls; }
std::vector<MessageBoxRecord> MessageBoxes() { return Records().boxes; }
std::vector<WindowRecord> Windows() { return WindowTable(); }
std::vector<WindowMessage> WindowMessages() { return Records().messages; }
std::vector<std::string> CreatedProcesses() { return Records().processes; }
uint32_t OpenFileHandles() { return OpenFileHandleCount(); }
uint32_t OpenDescriptors() { return OpenDescriptorCount(); }

void RedirectExitProcess(bool on) { StandIns().redirectExit = on; }
void SetModuleFileName(const char* path) { StandIns().moduleFileName = path ? path : ""; }
void SetResource(const char* type, uint16_t id, const std::vector<uint8_t>& data) {
  StandIns().resourceType = type;
  StandIns().resourceId = id;
  StandIns().resource = data;
}
void SetDesktopSize(int width, int height) {
  StandIns().desktopWidth = width;
  StandIns().desktopHeight = height;
}
void SetSystemDpi(int dpi) { StandIns().systemDpi = dpi; }
void SetQuietMessageBoxes(bool quiet) { StandIns().quietBoxes = quiet; }

void TrackAllocations(bool on, size_t budget) {
  AllocationTracker& tracker = Tracker();
  tracker.on = on;
  tracker.budget = budget;
  tracker.live.clear();
  tracker.liveBytes = 0;
}

size_t FreeTrackedAllocations() {
  AllocationTracker& tracker = Tracker();
  size_t count = tracker.live.size();
  for (auto& entry : tracker.live) std::free(entry.first);
  tracker.live.clear();
  tracker.liveBytes = 0;
  return count;
}

size_t CloseLeftoverHandles() {
  std::vector<HANDLE> left = posix_layer::LiveHandleList();
  Faults() = FaultState();  // the closes below must not meet a fault a test asked for
  for (HANDLE handle : left) CloseHandle(handle);
  return left.size();
}

void Reset() {
  Faults() = FaultState();
  Records() = Recorder();
  Records().on = true;
  StandIns() = StandInState();
  WindowTable().clear();
  TrackAllocations(false);
}

}  // namespace posix_testing
