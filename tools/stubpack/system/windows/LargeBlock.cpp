#include "system/LargeBlock.h"

#include <cstdlib>

// Large pages on Windows need a privilege that publishers' accounts lack: small pages.
void* AllocateLargeBlock(size_t bytes) { return std::malloc(bytes); }
