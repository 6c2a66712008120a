// Unicode's simple uppercase mapping of one character of the Basic Multilingual Plane, as
// NTFS's upcase table holds it; characters without one map to themselves.
#pragma once
#include <cstdint>

uint32_t SimpleUpperCase(uint32_t c);
