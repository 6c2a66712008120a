#include "pack/EncoderBudget.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "pack/FolderPlan.h"

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

uint64_t FolderMemory(uint64_t folderSize, const LzmaSettings& settings) {
  LzmaSettings chosen = settings;
  chosen.dictSize = ChooseDictionary(folderSize, settings.dictSize);
  return LzmaEncoder::Memory(chosen) + 4 * folderSize;
}

uint64_t UsableMemory() {
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
  return available / 4 * 3;
}

unsigned ProcessorCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
    return unsigned(CPU_COUNT(&set));
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? unsigned(online) : 1;
}

EncoderBudget PlanEncoders(unsigned requested, size_t folders, uint64_t folderMemory,
                           uint64_t usableMemory) {
  EncoderBudget budget;
  const uint64_t wanted = std::max<uint64_t>(1, std::min<uint64_t>(requested, folders));
  const uint64_t held = folderMemory == 0 ? wanted : std::max<uint64_t>(1, usableMemory / folderMemory);
  budget.encoders = unsigned(std::min(wanted, held));
  budget.limitedByMemory = held < wanted;
  return budget;
}
