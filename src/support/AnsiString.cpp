#include "support/AnsiString.h"

#include <cstring>

uint32_t AnsiLength(const char* text) { return uint32_t(std::strlen(text)); }

void AnsiCopy(char* destination, const char* source) { std::strcpy(destination, source); }

void AnsiAppend(char* destination, const char* source) { std::strcat(destination, source); }
