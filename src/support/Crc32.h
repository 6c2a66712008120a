// CRC-32 (the reflected 0xEDB88320 polynomial of the archive's digests), eight bytes per step
// through tables built in memory on first use: several times faster than a bytewise table,
// without carrying 8 KiB of tables in the executable.
#pragma once
#include <cstddef>
#include <cstdint>

// Continues crc (0 to start) over size bytes; the same values as lzma_crc32(data, size, crc).
uint32_t Crc32(const void* data, size_t size, uint32_t crc);
