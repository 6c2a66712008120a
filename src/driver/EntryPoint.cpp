// The stub's entry point: start-up initialisers, then one installer run.
#include "driver/InstallerMain.h"
#include "driver/RunState.h"

static int EntryPoint() {
  RunStaticInitialisers();
  return InstallerMain(GetModuleHandleA(nullptr), GetCommandLineA());
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return EntryPoint(); }
#else
int main() { return EntryPoint(); }
#endif
