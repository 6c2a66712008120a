#include "driver/InstallerMain.h"

#include "support/AnsiString.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

StubOptions stubOptions;

// A text of the options in UTF-16; one that is not UTF-8 is a damaged installer.
static const WideString* TextOf(const char* utf8) {
  const int size = int(AnsiLength(utf8) + 1);
  WCHAR* units = static_cast<WCHAR*>(MemAlloc(uint32_t(size) * sizeof(WCHAR)));
  if (!MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, size, units, size))
    FatalError(FailureReason::OptionsResourceDamaged);
  const WideString* text = New<WideString>(units);
  MemFree(units);
  return text;
}

void LoadStubOptions(HMODULE module, InstallerOptions& options) {
  bool sound = true;
  options = InstallerOptions();
  HRSRC found =
      FindResourceA(module, MAKEINTRESOURCEA(kOptionsResourceId), kOptionsResourceType);
  if (found) {
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    sound = bytes && ReadInstallerOptions(bytes, SizeofResource(module, found), options);
  }
  // Set first: a damaged resource that asks for no user interface still gets none.
  stubOptions.flags = options.flags;
  if (!sound) FatalError(FailureReason::OptionsResourceDamaged);
}

void LoadStubOptionTexts(const InstallerOptions& options) {
  stubOptions.runPath = TextOf(options.runPath);
  stubOptions.arguments = TextOf(options.arguments);
  stubOptions.title = TextOf(options.title);
  if (!IsAllowedRunPath(stubOptions.runPath->Units(), stubOptions.runPath->Length()))
    FatalError(FailureReason::OptionsResourceDamaged);
}
