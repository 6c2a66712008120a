#include "driver/InstallerMain.h"
#include "support/Bytes.h"

HANDLE CreateWaitJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (!job) return nullptr;
  // Processes that leave the job on purpose may: setup programs that start a long-lived
  // program (a service, the installed application) ask for that.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  FillBytes(&limits, 0, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

void WaitForEmptyJob(HANDLE job) {
  // Polled: simpler than a completion port, and a tenth of a second is nothing beside a
  // setup program's run.
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                   sizeof accounting, nullptr) ||
        accounting.ActiveProcesses == 0)
      return;
    Sleep(100);
  }
}
