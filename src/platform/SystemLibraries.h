// DLLs beyond the stub's static imports. The stub imports statically only from Windows'
// KnownDLLs, which always come from the system; anything else is loaded at run time, and
// only once the DLL search is restricted to the system directory, so that a DLL of the same
// name lying beside the installer (a downloads folder) is never loaded into it.
#pragma once

// Restricts the DLL search to the system directory, where Windows offers it
// (SetDefaultDllDirectories). Called first thing, before any other code of the stub runs.
void RestrictDllSearch();
// Registers the common control classes (the progress bar) from the system's COMCTL32.
void LoadCommonControls();
