// What an installer says about its publisher and how it behaves, carried in the stub's
// resources: icon, version information, requested execution level, and the stub's own
// options resource (which exit code the installer returns).
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "format/InstallerOptions.h"
#include "pe/VersionResource.h"

enum class ExitCodeMode { kZero, kSetup };

struct IdentityOptions {
  std::string icon;                    // .ico path; empty: the stub's icon stays
  VersionStrings versionInfo;          // empty: the stub's version resource stays
  std::string executionLevel;          // empty: the stub's manifest stays
  std::optional<ExitCodeMode> exitCode;  // unset: no options resource (exit 0)
  // The rest of the options resource; empty: not given (the stub's default).
  std::string userInterface;  // normal or none
  std::string wait;           // setup or all
  std::string runPath;        // '\'-separated, inside the payload
  std::string arguments;
  std::string title;

  bool Any() const;
  bool AnyOption() const;  // anything for the options resource
  // The command line's values; each throws PackError on a bad one. KEY=VALUE with a version
  // key (a repeated key takes the last value), a level name, zero or setup.
  void AddVersionInfo(const std::string& keyValue);
  void SetExecutionLevel(const std::string& level);
  void SetExitCode(const std::string& mode);
};

// The stub with the resources the options ask for; the stub itself is left alone when there
// are none. Bad input (an unreadable icon, a stub that cannot take new resources) throws
// PackError before anything is written.
std::vector<uint8_t> ApplyIdentity(const std::vector<uint8_t>& stub,
                                   const IdentityOptions& options, const std::string& stubPath);

struct InstallerIdentity {
  bool windowsProgram = false;  // false: a stub without PE resources (the Linux build)
  std::vector<std::string> iconSizes;  // "32x32", "256x256(png)"
  VersionStrings version;
  std::string executionLevel;  // empty without a manifest
  ExitCodeMode exitCode = ExitCodeMode::kZero;
  bool hasOptions = false;  // the options resource is present
  bool optionsDamaged = false;  // present, but the stub would refuse it
  bool noUserInterface = false;
  bool waitForAll = false;
  std::string runPath;  // empty: setup.exe
  std::string arguments;
  std::string title;    // empty: the default caption
  std::string unreadable;   // why the resources could not be read; the listing goes on
};

// Reads the identity from the start of an installer file (the stub part suffices).
InstallerIdentity ReadIdentity(const std::string& installerPath);
void PrintIdentity(const InstallerIdentity& identity, std::ostream& out);
// A JSON object.
void PrintIdentityJson(const InstallerIdentity& identity, std::ostream& out);
