// The few runtime routines that compiled C++ code expects, for the Windows stub only. Built
// without exceptions, the stub must not pull in the C++ library's allocation operators, which
// throw and bring their exception machinery along; these route every block through MemAlloc
// and MemFree instead (a failed allocation ends the run there).
#include <cstddef>

#include "support/Fatal.h"
#include "support/MemAlloc.h"

void* operator new(size_t size) { return MemAlloc(size); }
void* operator new[](size_t size) { return MemAlloc(size); }
void operator delete(void* block) noexcept { MemFree(block); }
void operator delete[](void* block) noexcept { MemFree(block); }
void operator delete(void* block, size_t) noexcept { MemFree(block); }
void operator delete[](void* block, size_t) noexcept { MemFree(block); }

// Reached only through a call of a pure virtual function during construction or destruction.
extern "C" void __cxa_pure_virtual() { FatalError(FailureReason::PureVirtualCall); }

// The stub links without the C runtime's start-up code, which would provide atexit (msvcrt's
// own is not callable directly). Registrations come from the constructor runner and from
// objects with destructors; the process ends through ExitProcess and runs no exit-time code,
// so nothing is recorded.
extern "C" int atexit(void (*)(void)) { return 0; }
