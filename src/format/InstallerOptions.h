// What the stub and stubpack agree on beyond the archive: the program an installer runs from
// its temporary directory, and the options resource through which stubpack passes the
// publisher's choices to the stub.
#pragma once
#include <cstdint>

// The program run after unpacking, at the top of the tree (any case on Windows).
constexpr char kSetupProgramName[] = "setup.exe";

// The options resource: type "STUBKIT", id 1, a 32-bit little-endian word of flags. Without
// it (or shorter than the word) every flag is off.
constexpr char kOptionsResourceType[] = "STUBKIT";
constexpr uint16_t kOptionsResourceId = 1;
constexpr uint32_t kOptionsResourceSize = 4;
constexpr uint32_t kOptionExitWithSetupCode = 1;  // exit with setup.exe's exit code
