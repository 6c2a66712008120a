// Routines over zero-terminated ANSI byte strings and plain byte ranges.
#pragma once
#include <cstddef>
#include <cstdint>

uint32_t AnsiLength(const char* text);
void AnsiCopy(char* destination, const char* source);
void AnsiAppend(char* destination, const char* source);
void FillBytes(void* destination, uint8_t value, size_t n);
void CopyBytes(void* destination, const void* source, size_t n);
int CompareBytes(const void* a, const void* b, size_t n);  // -1, 0 or 1, bytes unsigned
