#include "driver/InstallerMain.h"

#include "format/ByteOrder.h"
#include "format/InstallerOptions.h"

bool PassesSetupExitCode(HMODULE module) {
  HRSRC found =
      FindResourceA(module, MAKEINTRESOURCEA(kOptionsResourceId), kOptionsResourceType);
  if (!found || SizeofResource(module, found) < kOptionsResourceSize) return false;
  const BYTE* flags = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  return flags && (GetLe32(flags) & kOptionExitWithSetupCode);
}
