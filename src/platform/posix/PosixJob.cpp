// Job objects as process groups (see Win32Api.h), and the debugger's output.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/PosixInternal.h"

namespace posix_layer {
namespace {

struct JobObject : HandleObject {
  JobObject() : HandleObject(HandleKind::Job) {}
  pid_t group = 0;  // 0 until the first process joins
};

// Whether a process that has not ended (a zombie has) belongs to the group. Ended processes
// wait for their parent to collect them; they no longer count.
bool GroupHasLivingMember(pid_t group) {
  DIR* processes = opendir("/proc");
  if (!processes) return false;
  bool found = false;
  while (dirent* entry = readdir(processes)) {
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) continue;  // not a process, or one that just ended
    char line[1024];
    const size_t n = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[n] = 0;
    // "pid (name) state ppid pgrp ...": the name may hold blanks and parentheses.
    const char* end = std::strrchr(line, ')');
    char state;
    int parent, memberOf;
    if (end && std::sscanf(end + 1, " %c %d %d", &state, &parent, &memberOf) == 3 &&
        memberOf == group && state != 'Z' && state != 'X') {
      found = true;
      break;
    }
  }
  closedir(processes);
  return found;
}

}  // namespace

BOOL CloseJobObject(HANDLE handle) {
  delete static_cast<JobObject*>(AsObject(handle, HandleKind::Job));
  return TRUE;
}

}  // namespace posix_layer

using namespace posix_layer;

HANDLE WINAPI CreateJobObjectA(SECURITY_ATTRIBUTES*, LPCSTR) { return new JobObject; }

BOOL WINAPI AssignProcessToJobObject(HANDLE handle, HANDLE process) {
  auto* job = static_cast<JobObject*>(AsObject(handle, HandleKind::Job));
  const pid_t pid = ProcessIdOf(process);
  if (!job || pid < 0) return Fail(ERROR_INVALID_HANDLE);
  const pid_t group = job->group ? job->group : pid;
  // Only a process that has not run its program yet may change groups: one started suspended.
  if (getpgid(pid) != group && setpgid(pid, group) != 0) return Fail(ERROR_ACCESS_DENIED);
  job->group = group;
  return TRUE;
}

// Every limit is accepted; leaving the group is always possible here.
BOOL WINAPI SetInformationJobObject(HANDLE handle, JOBOBJECTINFOCLASS, LPVOID, DWORD) {
  return AsObject(handle, HandleKind::Job) ? TRUE : FALSE;
}

// Polled while waiting for a job: a signal that came meanwhile is acted on first.
BOOL WINAPI QueryInformationJobObject(HANDLE handle, JOBOBJECTINFOCLASS kind, LPVOID info,
                                      DWORD size, LPDWORD returned) {
  DeliverPendingSignal();
  auto* job = static_cast<JobObject*>(AsObject(handle, HandleKind::Job));
  if (!job) return FALSE;
  if (kind != JobObjectBasicAccountingInformation ||
      size < sizeof(JOBOBJECT_BASIC_ACCOUNTING_INFORMATION))
    return Fail(ERROR_INVALID_PARAMETER);
  auto* accounting = static_cast<JOBOBJECT_BASIC_ACCOUNTING_INFORMATION*>(info);
  std::memset(accounting, 0, sizeof *accounting);
  accounting->ActiveProcesses = job->group && GroupHasLivingMember(job->group) ? 1 : 0;
  if (returned) *returned = sizeof *accounting;
  return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR text) {
  std::fprintf(stderr, "%s\n", text ? text : "");
  if constexpr (kSeams) RecordCall(std::string("OutputDebugStringA ") + (text ? text : ""));
}
