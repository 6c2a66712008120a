// The processors and memory this process may use.
#pragma once
#include <cstdint>

// The memory available now, in bytes: on Linux MemAvailable of /proc/meminfo (else the free
// pages), capped by the cgroup's memory.max less its memory.current when one is set; on
// Windows the available physical memory. 0 when unknown.
uint64_t AvailableMemory();
// The processors this process may run on (at least 1).
unsigned ProcessorCount();
