// The stub's entry point: start-up initialisers, then one installer run.
#include "driver/InstallerMain.h"
#include "driver/RunState.h"
#include "driver/StubTag.h"
#include "platform/SystemLibraries.h"

// Kept through link-time optimisation and section garbage collection: nothing reads it at run
// time, stubpack reads it in the file.
extern "C" __attribute__((used)) const char kStubkitStubTag[] = STUBKIT_STUB_TAG STUBKIT_VERSION;

static int EntryPoint() {
  RunStaticInitialisers();
  return InstallerMain(GetModuleHandleA(nullptr), GetCommandLineA());
}

#ifdef _WIN32
// The constructor table that the linker builds: a count or -1, the entries, then a null.
extern "C" void (*__CTOR_LIST__[])();

// The process entry (the stub links without the C runtime's start-up code): restrict the DLL
// search before anything else, run the C++ constructors, last entry first as GCC orders them,
// then the installer, and end the process with its exit code. No exit-time destructors run.
extern "C" [[noreturn]] __attribute__((used)) void WINAPI StubEntry() {
  RestrictDllSearch();
  uint32_t count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (; count; --count) __CTOR_LIST__[count]();
  ExitProcess(EntryPoint());
}
#else
int main() { return EntryPoint(); }
#endif
