// The binary adaptive range coder of BCJ2's branch decisions, as its encoder (stubpack) and its
// decoder (the stub) both hold it: 11-bit probabilities of a 0 that start at one half and move
// by a 32nd of the distance after each bit, and a range renormalised below 2^24.
#pragma once
#include <cstdint>

constexpr uint32_t kRangeProbBits = 11;
constexpr uint32_t kRangeProbTotal = 1u << kRangeProbBits;
constexpr uint32_t kRangeProbInit = kRangeProbTotal / 2;
constexpr uint32_t kRangeMoveBits = 5;
constexpr uint32_t kRangeTop = 1u << 24;
