// `stubpack pack`: packs a directory into an installer.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pack/ArchiveTail.h"
#include "pack/LzmaEncoder.h"
#include "pe/InstallerIdentity.h"
#include "source/PathLengthLimits.h"

enum class Bcj2Mode { kAuto, kOn, kOff };

struct PackOptions {
  std::string source;
  std::string output;
  std::string stub;  // empty: the Windows stub; "native": the Linux stub; else a path
  Bcj2Mode bcj2 = Bcj2Mode::kAuto;
  uint64_t solidSize = 64u << 20;
  LzmaSettings lzma;
  bool literalBitsGiven = false;  // --lc/--lp/--pb: they replace the x86 main stream's own
  bool quiet = false;
  bool strict = false;        // any warning fails the run (exit 1) before anything is written
  bool allowNoSetup = false;  // pack a tree without setup.exe at its top
  uint32_t tempPathLength = kTypicalTempPathLength;  // the user's TEMP, for path warnings
  FileListForm fileListForm = FileListForm::kSmallest;
  IdentityOptions identity;  // icon, version information, execution level, exit code
};

// Parses sizes such as 4096, 512K, 64M, 1G (binary units); throws PackError.
uint64_t ParseSize(const std::string& text);

// Writes the installer and, unless quiet, one summary line to `out`, and returns 0. Warnings go
// to `warnings`; with strict, any warning ends the run with 1 and no output. Failures throw
// PackError.
int RunPack(const PackOptions& options, std::ostream& out, std::ostream& warnings);
