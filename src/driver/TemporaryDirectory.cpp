#include "driver/TemporaryDirectory.h"

#include "driver/RunState.h"
#include "support/Fatal.h"

// Full control for the directory's owner, SYSTEM and Administrators, inherited by everything
// made inside, and nothing from the parent: no other user can add, swap or read files in it
// while setup.exe runs. (A literal rather than a named array: no alignment padding.)
#define OWNER_ONLY_ACCESS "D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
static const int kNameAttempts = 16;

void MakeTemporaryDirectory() {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(OWNER_ONLY_ACCESS, SDDL_REVISION_1,
                                                            &security.lpSecurityDescriptor,
                                                            nullptr))
    FatalError(FailureReason::TempDirectoryAccessListNotMade);

  // A failed request (or a path too long for the buffer) leaves the buffer undefined: it is
  // not used, and the Windows directory serves as when no name can be made in it.
  char base[MAX_PATH];
  DWORD baseLength = GetTempPathA(MAX_PATH, base);
  bool inTempPath = baseLength != 0 && baseLength < MAX_PATH;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    TempDirName[0] = 0;
    if (!inTempPath || !GetTempFileNameA(base, "cab", 0, TempDirName)) {
      inTempPath = false;
      GetWindowsDirectoryA(base, MAX_PATH);
      GetTempFileNameA(base, "cab", 0, TempDirName);
    }
    // The name was reserved as a file; whoever makes a directory or link of it between the
    // deletion and the creation wins it, and this run draws another name.
    DeleteFileA(TempDirName);
    if (CreateDirectoryA(TempDirName, &security)) return;  // its descriptor is kept till exit
  }
  TempDirName[0] = 0;  // not ours: the clean-up must leave it alone
  FatalError(FailureReason::TempDirectoryNotCreated);
}
