// A number with its noun in the right form: "1 entry", "2 entries", "0 folders".
#pragma once
#include <cstdint>
#include <string>

inline std::string CountedNoun(uint64_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}
