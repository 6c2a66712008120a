#include "system/MachineResources.h"

#include <windows.h>

uint64_t AvailableMemory() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

unsigned ProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  unsigned count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
    for (; process != 0; process &= process - 1) ++count;
  return count > 0 ? count : 1;
}
