// Routines over zero-terminated ANSI byte strings.
#pragma once
#include <cstdint>

uint32_t AnsiLength(const char* text);
void AnsiCopy(char* destination, const char* source);
void AnsiAppend(char* destination, const char* source);
