// Routines over plain byte ranges.
#pragma once
#include <cstddef>
#include <cstdint>

void FillBytes(void* destination, uint8_t value, size_t n);
// The ranges may overlap.
void CopyBytes(void* destination, const void* source, size_t n);
int CompareBytes(const void* a, const void* b, size_t n);  // -1, 0 or 1, bytes unsigned
