#include "system/MachineResources.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace {

// The value of "Key:  N kB" in /proc/meminfo, in bytes; 0 when missing.
uint64_t MemInfoBytes(const std::string& key) {
  std::ifstream in("/proc/meminfo");
  std::string name, unit;
  uint64_t kib = 0;
  while (in >> name >> kib) {
    std::getline(in, unit);
    if (name == key + ":") return kib * 1024;
  }
  return 0;
}

// A number written alone in a file (the cgroup's "max" reads as none); 0 when none.
uint64_t NumberInFile(const std::string& path) {
  std::ifstream in(path);
  uint64_t value = 0;
  return in >> value ? value : 0;
}

}  // namespace

uint64_t AvailableMemory() {
  uint64_t available = MemInfoBytes("MemAvailable");
  if (available == 0) {
    const long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) available = uint64_t(pages) * uint64_t(pageSize);
  }
  const uint64_t limit = NumberInFile("/sys/fs/cgroup/memory.max");
  if (limit != 0) {
    const uint64_t used = NumberInFile("/sys/fs/cgroup/memory.current");
    const uint64_t left = limit > used ? limit - used : 0;
    available = available == 0 ? left : std::min(available, left);
  }
  return available;
}

unsigned ProcessorCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
    return unsigned(CPU_COUNT(&set));
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? unsigned(online) : 1;
}
