#include "driver/InstallerMain.h"

bool PassesSetupExitCode(HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), "STUBKIT");
  if (!found || SizeofResource(module, found) < 4) return false;
  const BYTE* flags = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  return flags && (flags[0] & 1);
}
