// What the stub and stubpack agree on beyond the archive: the program an installer runs from
// its temporary directory, and the options resource through which stubpack passes the
// publisher's choices to the stub.
#pragma once
#include <cstdint>

#include "format/NameRules.h"

// The program run after unpacking unless the options name another, at the top of the tree
// (any case on Windows).
constexpr char kSetupProgramName[] = "setup.exe";
// The window's caption unless the options give one.
constexpr char kDefaultTitle[] = "Unpack";

// The options resource: type "STUBKIT", id 1. Two forms, both little-endian:
//   the first form: a 32-bit word of flags, nothing else (4 bytes);
//   the second form: the flags word, a 32-bit version (2), then three UTF-8 strings, each
//     ended by a zero byte: the program to run, its fixed arguments, the window's caption.
//     An empty string leaves the default. The resource ends with the third zero.
// Anything else (another length or version, a flag nobody defined, a string that is not
// UTF-8 or breaks its rule) is a damaged installer.
constexpr char kOptionsResourceType[] = "STUBKIT";
constexpr uint16_t kOptionsResourceId = 1;
constexpr uint32_t kOptionsWordSize = 4;
constexpr uint32_t kOptionsVersion = 2;

constexpr uint32_t kOptionExitWithSetupCode = 1;  // exit with the program's exit code
constexpr uint32_t kOptionNoUserInterface = 2;    // no window, no message box
constexpr uint32_t kOptionWaitForAll = 4;         // wait for every process the program starts
constexpr uint32_t kKnownOptions =
    kOptionExitWithSetupCode | kOptionNoUserInterface | kOptionWaitForAll;

// Longest strings, in bytes without the zero: the program's path must leave room for the
// temporary directory in a MAX_PATH buffer; the command line holds at most 32767 characters.
constexpr uint32_t kMaxRunPathBytes = 200;
constexpr uint32_t kMaxArgumentsBytes = 8192;
constexpr uint32_t kMaxTitleBytes = 255;

// The options read from a resource. The strings point into the resource's bytes (or at ""),
// so they live as long as those.
struct InstallerOptions {
  uint32_t flags = 0;
  const char* runPath = "";    // relative to the temporary directory, '\'-separated; "" default
  const char* arguments = "";  // put before the installer's own arguments, as given
  const char* title = "";      // the window's caption; "" the default
};

// Reads the resource's layout: its form, known flags, three strings each within its length
// and free of control characters. False for anything else, with options.flags still set from
// the first word when there is one. Whether the strings are UTF-8 and the program's path is
// allowed (IsAllowedRunPath) the reader's caller judges on its own form of the text.
bool ReadInstallerOptions(const uint8_t* data, uint32_t size, InstallerOptions& options);
// The bytes of the second form for options: size first (out null), then the bytes.
uint32_t WriteInstallerOptions(const InstallerOptions& options, uint8_t* out);

// Whether a program's path (UTF-16 units in the stub, UTF-8 bytes in stubpack) names a file
// inside the payload: empty (the default), or confined (NameRules.h), '\'-separated, without
// the quote that would end it on the command line nor a character Windows refuses in a name.
template <typename Unit>
bool IsAllowedRunPath(const Unit* path, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    const Unit c = path[i];
    if (c == '"' || c == '*' || c == '?' || c == '<' || c == '>' || c == '|' || c == '/')
      return false;
  }
  return length == 0 || IsConfinedPath(path, length);
}
