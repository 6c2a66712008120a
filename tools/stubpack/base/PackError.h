// The error that ends a pack run with a message for the user and exit code 2 (bad input).
#pragma once
#include <stdexcept>
#include <string>

class PackError : public std::runtime_error {
 public:
  explicit PackError(const std::string& message) : std::runtime_error(message) {}
};
