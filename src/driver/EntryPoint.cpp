// The stub's entry point: start-up initialisers, then one installer run.
#include "driver/InstallerMain.h"
#include "driver/RunState.h"

static int EntryPoint() {
  RunStaticInitialisers();
  return InstallerMain(GetModuleHandleA(nullptr), GetCommandLineA());
}

#ifdef _WIN32
// mingw's routine that runs the C++ constructors of the program.
extern "C" void __main();

// The process entry (the stub links without the C runtime's start-up code): run the C++
// constructors, then the installer, and end the process with its exit code. No exit-time
// destructors run.
extern "C" [[noreturn]] __attribute__((used)) void WINAPI StubEntry() {
  __main();
  ExitProcess(EntryPoint());
}
#else
int main() { return EntryPoint(); }
#endif
