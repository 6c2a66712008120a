// `stubpack pack`: packs a directory into an installer.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "HeaderForm.h"
#include "LzmaEncoder.h"

enum class Bcj2Mode { kAuto, kOn, kOff };

struct PackOptions {
  std::string source;
  std::string output;
  std::string stub;  // empty: the stub beside the running stubpack
  Bcj2Mode bcj2 = Bcj2Mode::kAuto;
  uint64_t solidSize = 64u << 20;
  LzmaSettings lzma;
  bool literalBitsGiven = false;  // --lc/--lp/--pb: they replace the x86 main stream's own
  bool quiet = false;
  HeaderForm headerForm = HeaderForm::kSmallest;
};

// Parses the arguments after "pack"; throws PackError on a usage error.
PackOptions ParsePackOptions(const std::vector<std::string>& args);
// Parses sizes such as 4096, 512K, 64M, 1G (binary units).
uint64_t ParseSize(const std::string& text);
const char* PackUsage();

// Writes the installer. Warnings go to `warnings`; failures throw PackError.
void RunPack(const PackOptions& options, std::ostream& warnings);
